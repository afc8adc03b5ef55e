#include "netcore/sysconfig/interface_metadata.h"

#include "netcore/base/unique_fd.h"
#include "netcore/interfaces/interface_snapshot.h"
#include "netcore/kernel/wlk_perm_address.h"

#include <net/if_arp.h>
#include <sys/socket.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <sstream>

namespace wirelark {

namespace fs = std::filesystem;

namespace {

constexpr std::array<std::string_view, 9> kTunnelKinds = {
    "tun", "wireguard", "gre", "gretap", "ipip", "sit", "ip6tnl", "vti", "ip6gre"};
constexpr uint16_t kArphrdRawIP = 519;
constexpr size_t kLargestDeviceFile = 64 * 1024;

std::string readSmallFile(const fs::path& path) {
    std::ifstream stream(path, std::ios::binary);
    std::string text(kLargestDeviceFile, '\0');
    stream.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<size_t>(stream.gcount()));
    return text;
}

std::optional<std::string> nonEmpty(const std::map<std::string, std::string>& values,
                                    const char* key) {
    const auto it = values.find(key);
    return it == values.end() || it->second.empty() ? std::nullopt : std::optional(it->second);
}

} // namespace

std::optional<std::string> interfaceTypeText(uint16_t hwType, std::string_view kind,
                                             std::string_view devType) {
    if (hwType == ARPHRD_LOOPBACK) {
        return "Loopback";
    }
    if (devType == "wlan" || (hwType >= ARPHRD_IEEE80211 && hwType <= ARPHRD_IEEE80211_RADIOTAP)) {
        return "IEEE80211";
    }
    if (devType == "wwan" || hwType == kArphrdRawIP) {
        return "WWAN";
    }
    if (kind == "bridge" || devType == "bridge") {
        return "Bridge";
    }
    if (kind == "bond" || kind == "team" || devType == "bond") {
        return "Bond";
    }
    if (kind == "vlan" || devType == "vlan") {
        return "VLAN";
    }
    if (std::find(kTunnelKinds.begin(), kTunnelKinds.end(), kind) != kTunnelKinds.end() ||
        hwType == ARPHRD_TUNNEL || hwType == ARPHRD_TUNNEL6 || hwType == ARPHRD_SIT ||
        hwType == ARPHRD_IPGRE || hwType == ARPHRD_NONE) {
        return "Tunnel";
    }
    if (hwType == ARPHRD_ETHER) {
        return "Ethernet";
    }
    return std::nullopt;
}

std::map<std::string, std::string> parseKeyValueLines(std::string_view text,
                                                      std::string_view linePrefix) {
    std::map<std::string, std::string> values;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.starts_with(linePrefix)) {
            continue;
        }
        line.remove_prefix(linePrefix.size());
        const size_t equals = line.find('=');
        if (equals == 0 || equals == std::string_view::npos) {
            continue;
        }
        values.emplace(line.substr(0, equals), line.substr(equals + 1));
    }
    return values;
}

std::map<std::string, InterfaceMetadata>
readInterfaceMetadata(const std::vector<LinkFacts>& links,
                      const std::vector<std::string>& managedNames, const DeviceFolders& folders) {
    std::map<std::string, InterfaceMetadata> interfaces;
    // A datagram socket for the ethtool query.
    const UniqueFd query(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    for (const auto& link : links) {
        std::error_code error;
        const fs::path sysfs = folders.sysClassNet / link.name;
        const bool hardware = fs::exists(sysfs / "device", error);
        const bool managed =
            std::find(managedNames.begin(), managedNames.end(), link.name) != managedNames.end();
        if (link.name.empty() || (!hardware && !managed)) {
            continue;
        }
        InterfaceMetadata metadata;
        metadata.bsdName = link.name;
        const auto uevent = parseKeyValueLines(readSmallFile(sysfs / "uevent"), "");
        const auto devType = uevent.find("DEVTYPE");
        metadata.interfaceType =
            interfaceTypeText(link.hwType, link.kind,
                              devType == uevent.end() ? "" : std::string_view(devType->second));
        const auto udev = parseKeyValueLines(
            readSmallFile(folders.udevData / ("n" + std::to_string(link.index))), "E:");
        metadata.displayName = nonEmpty(udev, "ID_MODEL_FROM_DATABASE");
        if (!metadata.displayName) {
            metadata.displayName = nonEmpty(udev, "ID_MODEL");
        }
        uint8_t address[WLK_PERM_ADDRESS_SIZE];
        uint8_t length = 0;
        if (query && wlk_get_perm_address(query.get(), link.name.c_str(), address, &length)) {
            metadata.hardwareAddress =
                LinkAddress{std::vector<uint8_t>(address, address + length), 0}.description();
        }
        interfaces[link.name] = std::move(metadata);
    }
    return interfaces;
}

} // namespace wirelark
