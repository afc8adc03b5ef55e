#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace wirelark {

struct IPv4Address {
    std::string address;
    std::optional<std::string> netmask;
    std::optional<int> prefixLength;
    std::optional<std::string> broadcast;
    std::optional<std::string> destination;

    bool operator==(const IPv4Address&) const = default;
};

struct IPv6Address {
    std::string address;
    std::optional<int> prefixLength;
    uint32_t scopeID = 0;
    uint32_t flags = 0;
    std::optional<std::string> destination; // the peer of a point-to-point address

    // Names of the set per-address flag bits, in display order.
    std::vector<std::string> flagNames() const;

    bool operator==(const IPv6Address&) const = default;
};

struct LinkAddress {
    std::vector<uint8_t> bytes;
    uint8_t type = 0;

    // Lower-case hexadecimal bytes joined by ':' (00:1a:2b:3c:4d:5e).
    std::string description() const;

    bool operator==(const LinkAddress&) const = default;
};

struct InterfaceCounters {
    uint64_t bytesIn = 0;
    uint64_t bytesOut = 0;
    uint64_t packetsIn = 0;
    uint64_t packetsOut = 0;
    uint64_t errorsIn = 0;
    uint64_t errorsOut = 0;
    uint64_t multicastIn = 0;
    uint64_t multicastOut = 0;
    uint64_t collisions = 0;
    uint64_t dropsIn = 0;

    bool operator==(const InterfaceCounters&) const = default;
};

enum class MediaStatus { unknown, active, inactive };

struct MediaInfo {
    std::string current;
    std::optional<std::string> active;
    MediaStatus status = MediaStatus::unknown;

    // "current", or "current (active)" when the word in use differs.
    std::string description() const;

    bool operator==(const MediaInfo&) const = default;
};

enum class FunctionalType : uint32_t {
    unknown = 0,
    loopback = 1,
    wired = 2,
    wifiInfra = 3,
    wifiAWDL = 4,
    cellular = 5,
    intcoproc = 6,
    companionLink = 7,
    management = 8,
};

std::optional<FunctionalType> functionalTypeFromRaw(uint32_t raw);
constexpr uint32_t rawValue(FunctionalType type) {
    return static_cast<uint32_t>(type);
}
const char* caseName(FunctionalType type);
const char* caseName(MediaStatus status);

struct InterfaceSnapshot {
    std::string name;
    uint32_t index = 0;
    uint32_t flags = 0;
    uint32_t mtu = 0;
    uint8_t ifType = 0;
    uint64_t baudrate = 0;
    InterfaceCounters counters;
    std::optional<LinkAddress> linkAddress;
    std::vector<IPv4Address> ipv4;
    std::vector<IPv6Address> ipv6;
    std::optional<MediaInfo> media;
    std::optional<uint32_t> capabilities;
    std::optional<uint32_t> nd6Flags;
    FunctionalType functionalType = FunctionalType::unknown;
    // The kernel's name for the kind of device (veth, bridge, tun, wireguard, gre, sit, ...);
    // empty for devices the kernel names no kind for, such as physical ones.
    std::string deviceKind;

    bool isUp() const { return hasFlag(0x1); }
    bool isRunning() const { return hasFlag(0x40); }
    bool isLoopback() const { return hasFlag(0x8); }
    bool isPointToPoint() const { return hasFlag(0x10); }
    bool hasFlag(int32_t mask) const { return (flags & static_cast<uint32_t>(mask)) != 0; }
    // Up and running, and the media (when reported) does not say the carrier is gone.
    bool isLinkActive() const;

    bool operator==(const InterfaceSnapshot&) const = default;
};

// One reading of every interface, shared between the reader, which keeps it for its next
// reading, and whoever took it.
using SharedSnapshots = std::shared_ptr<const std::vector<InterfaceSnapshot>>;

} // namespace wirelark

template <>
struct std::hash<wirelark::IPv4Address> {
    std::size_t operator()(const wirelark::IPv4Address& a) const noexcept;
};
template <>
struct std::hash<wirelark::IPv6Address> {
    std::size_t operator()(const wirelark::IPv6Address& a) const noexcept;
};
template <>
struct std::hash<wirelark::LinkAddress> {
    std::size_t operator()(const wirelark::LinkAddress& a) const noexcept;
};
template <>
struct std::hash<wirelark::InterfaceCounters> {
    std::size_t operator()(const wirelark::InterfaceCounters& c) const noexcept;
};
template <>
struct std::hash<wirelark::MediaInfo> {
    std::size_t operator()(const wirelark::MediaInfo& m) const noexcept;
};
template <>
struct std::hash<wirelark::InterfaceSnapshot> {
    std::size_t operator()(const wirelark::InterfaceSnapshot& s) const noexcept;
};
