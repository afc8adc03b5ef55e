#include "netcore/wifi/wifi_details.h"

#include "netcore/base/hash_combine.h"
#include "netcore/wifi/nl80211_decode.h"
#include "netcore/wifi/nl80211_query.h"
#include "netcore/wifi/wifi_radio.h"

#include <net/if.h>

namespace wirelark {

namespace {

const char* bandText(int band) {
    switch (band) {
    case kWiFiBand2GHz:
        return "2.4 GHz";
    case kWiFiBand5GHz:
        return "5 GHz";
    case kWiFiBand6GHz:
        return "6 GHz";
    default:
        return "unknown band";
    }
}

const char* widthText(int width) {
    switch (width) {
    case kWiFiWidth20MHz:
        return "20 MHz";
    case kWiFiWidth40MHz:
        return "40 MHz";
    case kWiFiWidth80MHz:
        return "80 MHz";
    case kWiFiWidth160MHz:
        return "160 MHz";
    default:
        return "unknown width";
    }
}

} // namespace

std::string channelText(int number, int band, int width) {
    return std::to_string(number) + " (" + bandText(band) + ", " + widthText(width) + ")";
}

std::string phyModeName(int mode) {
    switch (mode) {
    case 0:
        return "none";
    case 1:
        return "802.11a";
    case 2:
        return "802.11b";
    case 3:
        return "802.11g";
    case 4:
        return "802.11n (Wi-Fi 4)";
    case 5:
        return "802.11ac (Wi-Fi 5)";
    case 6:
        return "802.11ax (Wi-Fi 6)";
    default:
        return "802.11 mode " + std::to_string(mode);
    }
}

std::string securityName(int security) {
    switch (security) {
    case 0:
        return "Open";
    case 1:
    case 6: // dynamic WEP
        return "WEP";
    case 2:
    case 3:
        return "WPA Personal";
    case 4:
    case 5:
        return "WPA2 Personal";
    case 7:
    case 8:
        return "WPA Enterprise";
    case 9:
    case 10:
        return "WPA2 Enterprise";
    case 11:
        return "WPA3 Personal";
    case 12:
        return "WPA3 Enterprise";
    case 13:
        return "WPA2/WPA3 Personal";
    case 14:
    case 15:
        return "Enhanced Open";
    default:
        return "Unknown";
    }
}

std::string signalText(const WiFiDetails& details) {
    const std::string rssi = std::to_string(details.rssi) + " dBm, noise ";
    if (!details.noise) {
        return rssi + "unknown";
    }
    return rssi + std::to_string(*details.noise) + " dBm, SNR " +
           std::to_string(details.rssi - *details.noise) + " dB";
}

std::optional<WiFiDetails> WiFiDetails::read(const std::string& interfaceName) {
    const unsigned index = if_nametoindex(interfaceName.c_str());
    if (index == 0 || radioBlocked(kSysClassNet, interfaceName)) {
        return std::nullopt;
    }
    const auto replies = queryNl80211(index);
    if (!replies) {
        return std::nullopt;
    }
    return decodeWiFiDetails(*replies);
}

} // namespace wirelark

std::size_t
std::hash<wirelark::WiFiDetails>::operator()(const wirelark::WiFiDetails& d) const noexcept {
    using wirelark::hashCombine;
    std::size_t seed = std::hash<std::optional<std::string>>{}(d.ssid);
    hashCombine(seed, std::hash<std::optional<std::string>>{}(d.bssid));
    hashCombine(seed, std::hash<int>{}(d.rssi));
    hashCombine(seed, std::hash<std::optional<int>>{}(d.noise));
    hashCombine(seed, std::hash<std::optional<std::string>>{}(d.channel));
    hashCombine(seed, std::hash<std::string>{}(d.phyMode));
    hashCombine(seed, std::hash<double>{}(d.transmitRate));
    hashCombine(seed, std::hash<std::string>{}(d.security));
    return seed;
}
