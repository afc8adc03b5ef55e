#include "netcore/kernel/wlk_kernel.h"

#include "netcore/kernel/ethtool_features.h"

#include <linux/ethtool.h>
#include <linux/if.h>
#include <linux/if_arp.h>
#include <linux/sockios.h>
#include <sys/ioctl.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// An ifreq for `name`, truncated to the kernel's 15 characters, the rest zero-filled.
ifreq requestFor(const char* name, void* data) {
    ifreq request;
    std::memset(&request, 0, sizeof request);
    std::strncpy(request.ifr_name, name, IFNAMSIZ - 1);
    request.ifr_data = static_cast<char*>(data);
    return request;
}

bool ethtool(int sock, const char* name, void* command) {
    if (sock < 0 || name == nullptr) {
        return false;
    }
    ifreq request = requestFor(name, command);
    return ioctl(sock, SIOCETHTOOL, &request) == 0;
}

struct LinkSettings {
    uint32_t speed;
    uint8_t duplex;
    uint8_t port;
    uint8_t autoneg;
};

bool linkSettings(int sock, const char* name, LinkSettings& out) {
    // The first call asks for the mask size: the kernel answers with its negative.
    alignas(ethtool_link_settings) uint8_t buffer[sizeof(ethtool_link_settings) + 3 * 127 * 4] = {};
    auto* request = reinterpret_cast<ethtool_link_settings*>(buffer);
    request->cmd = ETHTOOL_GLINKSETTINGS;
    if (ethtool(sock, name, request) && request->link_mode_masks_nwords < 0) {
        const int8_t words = static_cast<int8_t>(-request->link_mode_masks_nwords);
        std::memset(buffer, 0, sizeof buffer);
        request->cmd = ETHTOOL_GLINKSETTINGS;
        request->link_mode_masks_nwords = words;
        if (ethtool(sock, name, request) && request->link_mode_masks_nwords > 0) {
            out = {request->speed, request->duplex, request->port, request->autoneg};
            return true;
        }
    }
    ethtool_cmd legacy{};
    legacy.cmd = ETHTOOL_GSET;
    if (ethtool(sock, name, &legacy)) {
        out = {ethtool_cmd_speed(&legacy), legacy.duplex, legacy.port, legacy.autoneg};
        return true;
    }
    return false;
}

// Names of the kernel's offload features, in bit order; the same for every device.
std::vector<std::string> featureNames(int sock, const char* name) {
    alignas(ethtool_sset_info) uint8_t buffer[sizeof(ethtool_sset_info) + sizeof(uint32_t)] = {};
    auto* setInfo = reinterpret_cast<ethtool_sset_info*>(buffer);
    setInfo->cmd = ETHTOOL_GSSET_INFO;
    setInfo->sset_mask = 1ull << ETH_SS_FEATURES;
    if (!ethtool(sock, name, setInfo) || !(setInfo->sset_mask & (1ull << ETH_SS_FEATURES))) {
        return {};
    }
    const uint32_t count = setInfo->data[0];
    if (count == 0 || count > 4096) {
        return {};
    }
    std::vector<uint32_t> stringBuffer(
        (sizeof(ethtool_gstrings) + size_t{count} * ETH_GSTRING_LEN) / 4 + 1);
    auto* strings = reinterpret_cast<ethtool_gstrings*>(stringBuffer.data());
    strings->cmd = ETHTOOL_GSTRINGS;
    strings->string_set = ETH_SS_FEATURES;
    strings->len = count;
    if (!ethtool(sock, name, strings)) {
        return {};
    }
    std::vector<std::string> names(count);
    for (uint32_t i = 0; i < count; ++i) {
        const char* text =
            reinterpret_cast<const char*>(strings->data) + size_t{i} * ETH_GSTRING_LEN;
        names[i].assign(text, strnlen(text, ETH_GSTRING_LEN));
    }
    return names;
}

} // namespace

extern "C" {

int wlk_get_media(int sock, const char* name, uint32_t link_flags, struct wlk_media* out) {
    constexpr uint32_t kWifi = 0x80, kAutoselect = 0x0;
    if (out == nullptr || name == nullptr || !wlk_has_hardware(name)) {
        return 0;
    }
    const uint32_t status = wlk_media_status_from_flags(link_flags);
    if (wlk_is_wifi(name)) {
        *out = {kWifi | kAutoselect, kWifi | kAutoselect, status, 0};
        return 1;
    }
    LinkSettings settings;
    if (!linkSettings(sock, name, settings)) {
        return 0;
    }
    const bool speedKnown = settings.speed != 0 && settings.speed != uint32_t(SPEED_UNKNOWN);
    // A link whose driver names no speed is shown as the hardware choosing one, or as no
    // media at all while there is no carrier.
    const uint32_t active =
        speedKnown ? wlk_ethernet_media_word(settings.speed, settings.port, settings.duplex)
                   : 0x20 | ((link_flags & IFF_LOWER_UP) ? 0x0 : 0x2);
    const uint32_t current = settings.autoneg == AUTONEG_ENABLE ? 0x20 : active;
    *out = {current, active, status, speedKnown ? uint64_t{settings.speed} * 1000000 : 0};
    return 1;
}

uint32_t wlk_media_status_from_flags(uint32_t link_flags) {
    return 0x1 | ((link_flags & IFF_LOWER_UP) ? 0x2 : 0);
}

int wlk_get_curcap(int sock, const char* name, uint16_t hw_type, uint32_t max_mtu, uint32_t* out) {
    if (out == nullptr) {
        return 0;
    }
    const auto names = featureNames(sock, name);
    if (names.empty()) {
        return 0;
    }
    const size_t blocks = (names.size() + 31) / 32;
    std::vector<uint32_t> buffer(
        (sizeof(ethtool_gfeatures) + blocks * sizeof(ethtool_get_features_block)) / 4 + 1);
    auto* features = reinterpret_cast<ethtool_gfeatures*>(buffer.data());
    features->cmd = ETHTOOL_GFEATURES;
    features->size = static_cast<uint32_t>(blocks);
    if (!ethtool(sock, name, features)) {
        return 0;
    }
    std::vector<uint32_t> active(blocks);
    for (size_t i = 0; i < blocks; ++i) {
        active[i] = features->features[i].active;
    }
    ethtool_ts_info timestamps{};
    timestamps.cmd = ETHTOOL_GET_TS_INFO;
    const uint32_t timestamping = ethtool(sock, name, &timestamps) ? timestamps.so_timestamping : 0;
    *out = wirelark::capabilitiesFromFeatures(names, active, hw_type, max_mtu, timestamping);
    return 1;
}

int wlk_get_mtu(int sock, const char* name, uint32_t* out) {
    if (sock < 0 || name == nullptr || out == nullptr) {
        return 0;
    }
    ifreq request = requestFor(name, nullptr);
    if (ioctl(sock, SIOCGIFMTU, &request) != 0 || request.ifr_mtu < 0) {
        return 0;
    }
    *out = static_cast<uint32_t>(request.ifr_mtu);
    return 1;
}

} // extern "C"
