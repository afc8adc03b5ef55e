#pragma once

#include <functional>
#include <optional>
#include <string>

namespace wirelark {

// The joined network and radio state of one Wi-Fi interface, as the panel shows them.
struct WiFiDetails {
    std::optional<std::string> ssid;
    std::optional<std::string> bssid; // lower-case, colon-separated
    int rssi = 0;                     // dBm
    std::optional<int> noise;         // dBm; absent when the driver measures none, or no signal
    std::optional<std::string> channel;
    std::string phyMode;
    double transmitRate = 0; // Mbit/s
    std::string security;

    bool operator==(const WiFiDetails&) const = default;

    // Details of the named interface; nullopt when it is not a Wi-Fi interface or its radio is
    // off. Never fails otherwise: whatever cannot be read stays absent or zero.
    static std::optional<WiFiDetails> read(const std::string& interfaceName);
};

// Values of the band, width, PHY-mode and security codes the text tables below take.
enum WiFiBand { kWiFiBandUnknown = 0, kWiFiBand2GHz = 1, kWiFiBand5GHz = 2, kWiFiBand6GHz = 3 };
enum WiFiWidth {
    kWiFiWidthUnknown = 0,
    kWiFiWidth20MHz = 1,
    kWiFiWidth40MHz = 2,
    kWiFiWidth80MHz = 3,
    kWiFiWidth160MHz = 4,
};
enum WiFiPhyMode {
    kWiFiPhyNone = 0,
    kWiFiPhy11a = 1,
    kWiFiPhy11g = 3,
    kWiFiPhy11n = 4,
    kWiFiPhy11ac = 5,
    kWiFiPhy11ax = 6,
    kWiFiPhy11be = 7,
};
enum WiFiSecurity {
    kWiFiSecurityUnknown = -1,
    kWiFiSecurityNone = 0,
    kWiFiSecurityWEP = 1,
    kWiFiSecurityWPAPersonal = 2,
    kWiFiSecurityWPA2Personal = 4,
    kWiFiSecurityWPAEnterprise = 7,
    kWiFiSecurityWPA2Enterprise = 9,
    kWiFiSecurityWPA3Personal = 11,
    kWiFiSecurityWPA3Enterprise = 12,
    kWiFiSecurityWPA3Transition = 13,
    kWiFiSecurityOWE = 14,
};

// "36 (5 GHz, 80 MHz)"; unknown codes read "unknown band" and "unknown width".
std::string channelText(int number, int band, int width);
// "802.11ac (Wi-Fi 5)"; codes past the table read "802.11 mode N".
std::string phyModeName(int mode);
// "WPA2 Personal"; codes outside the table read "Unknown".
std::string securityName(int security);
// "-60 dBm, noise -92 dBm, SNR 32 dB", or "-60 dBm, noise unknown" without a noise figure.
std::string signalText(const WiFiDetails& details);

} // namespace wirelark

template <>
struct std::hash<wirelark::WiFiDetails> {
    std::size_t operator()(const wirelark::WiFiDetails& d) const noexcept;
};
