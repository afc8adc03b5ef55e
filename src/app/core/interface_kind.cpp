#include "app/core/interface_kind.h"

#include <array>
#include <string_view>
#include <utility>

namespace wirelark {

namespace {

std::optional<InterfaceKind> kindFromName(std::string_view name) {
    // A plain prefix test: any name beginning with "ap" is an access point.
    static constexpr std::array<std::pair<std::string_view, InterfaceKind>, 9> kPrefixes{{
        {"utun", InterfaceKind::tunnel},
        {"ipsec", InterfaceKind::tunnel},
        {"ppp", InterfaceKind::tunnel},
        {"llw", InterfaceKind::lowLatencyWLAN},
        {"awdl", InterfaceKind::awdl},
        {"bridge", InterfaceKind::bridge},
        {"ap", InterfaceKind::accessPoint},
        {"gif", InterfaceKind::gif},
        {"stf", InterfaceKind::stf},
    }};
    for (const auto& [prefix, kind] : kPrefixes) {
        if (name.starts_with(prefix)) {
            return kind;
        }
    }
    return std::nullopt;
}

std::optional<InterfaceKind> kindFromFunctionalType(FunctionalType type) {
    switch (type) {
    case FunctionalType::loopback:
        return InterfaceKind::loopback;
    case FunctionalType::wired:
        return InterfaceKind::ethernet;
    case FunctionalType::wifiInfra:
        return InterfaceKind::wifi;
    case FunctionalType::wifiAWDL:
        return InterfaceKind::awdl;
    case FunctionalType::cellular:
        return InterfaceKind::cellular;
    default:
        return std::nullopt;
    }
}

// Linux virtual devices, known by the kernel's kind or link type; tap devices would otherwise
// pass for Ethernet and tun and WireGuard devices for "other".
std::optional<InterfaceKind> kindFromDevice(const InterfaceSnapshot& snapshot) {
    static constexpr std::array<std::pair<std::string_view, InterfaceKind>, 12> kKinds{{
        {"tun", InterfaceKind::tunnel},
        {"wireguard", InterfaceKind::tunnel},
        {"ppp", InterfaceKind::tunnel},
        {"bridge", InterfaceKind::bridge},
        {"gre", InterfaceKind::gif},
        {"gretap", InterfaceKind::gif},
        {"ip6gre", InterfaceKind::gif},
        {"ip6gretap", InterfaceKind::gif},
        {"ipip", InterfaceKind::gif},
        {"ip6tnl", InterfaceKind::gif},
        {"sit", InterfaceKind::stf},
        {"wwan", InterfaceKind::cellular},
    }};
    for (const auto& [deviceKind, kind] : kKinds) {
        if (snapshot.deviceKind == deviceKind) {
            return kind;
        }
    }
    switch (snapshot.ifType) {
    case 23: // PPP
        return InterfaceKind::tunnel;
    case 55: // GRE and IP-in-IP
        return InterfaceKind::gif;
    case 57: // SIT
        return InterfaceKind::stf;
    case 209:
        return InterfaceKind::bridge;
    case 255: // raw-IP cellular modems
        return InterfaceKind::cellular;
    default:
        return std::nullopt;
    }
}

} // namespace

InterfaceKind classify(const InterfaceSnapshot& snapshot) {
    if (auto kind = kindFromName(snapshot.name)) {
        return *kind;
    }
    if (auto kind = kindFromDevice(snapshot)) {
        return *kind;
    }
    if (auto kind = kindFromFunctionalType(snapshot.functionalType)) {
        return *kind;
    }
    if (snapshot.flags & 0x8) {
        return InterfaceKind::loopback;
    }
    if (snapshot.ifType == 6) {
        return InterfaceKind::ethernet;
    }
    return InterfaceKind::other;
}

const char* title(InterfaceKind kind) {
    switch (kind) {
    case InterfaceKind::loopback:
        return "Loopback";
    case InterfaceKind::wifi:
        return "Wi-Fi";
    case InterfaceKind::ethernet:
        return "Ethernet";
    case InterfaceKind::cellular:
        return "Cellular";
    case InterfaceKind::awdl:
        return "AWDL (AirDrop)";
    case InterfaceKind::lowLatencyWLAN:
        return "Low-latency WLAN";
    case InterfaceKind::tunnel:
        return "Tunnel";
    case InterfaceKind::bridge:
        return "Bridge";
    case InterfaceKind::accessPoint:
        return "Access point";
    case InterfaceKind::gif:
        return "Generic tunnel";
    case InterfaceKind::stf:
        return "6to4 tunnel";
    case InterfaceKind::other:
        return "Other";
    }
    return "Other";
}

const char* caseName(InterfaceKind kind) {
    switch (kind) {
    case InterfaceKind::loopback:
        return "loopback";
    case InterfaceKind::wifi:
        return "wifi";
    case InterfaceKind::ethernet:
        return "ethernet";
    case InterfaceKind::cellular:
        return "cellular";
    case InterfaceKind::awdl:
        return "awdl";
    case InterfaceKind::lowLatencyWLAN:
        return "lowLatencyWLAN";
    case InterfaceKind::tunnel:
        return "tunnel";
    case InterfaceKind::bridge:
        return "bridge";
    case InterfaceKind::accessPoint:
        return "accessPoint";
    case InterfaceKind::gif:
        return "gif";
    case InterfaceKind::stf:
        return "stf";
    case InterfaceKind::other:
        return "other";
    }
    return "other";
}

} // namespace wirelark
