#include "netcore/interfaces/interface_snapshot.h"

#include "netcore/base/hash_combine.h"

#include <array>
#include <utility>

namespace wirelark {

namespace {

// Display order of the per-address IPv6 flags; not numeric order.
constexpr std::array<std::pair<uint32_t, const char*>, 11> kIPv6FlagNames{{
    {0x0001, "anycast"},
    {0x0002, "tentative"},
    {0x0200, "optimistic"},
    {0x0004, "duplicated"},
    {0x0008, "detached"},
    {0x0010, "deprecated"},
    {0x0040, "autoconf"},
    {0x0080, "temporary"},
    {0x0100, "dynamic"},
    {0x0400, "secured"},
    {0x1000, "clat46"},
}};

} // namespace

std::vector<std::string> IPv6Address::flagNames() const {
    std::vector<std::string> names;
    for (const auto& [mask, name] : kIPv6FlagNames) {
        if (flags & mask) {
            names.emplace_back(name);
        }
    }
    return names;
}

std::string LinkAddress::description() const {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 3);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0) {
            text += ':';
        }
        text += kHex[bytes[i] >> 4];
        text += kHex[bytes[i] & 0xF];
    }
    return text;
}

std::string MediaInfo::description() const {
    return active ? current + " (" + *active + ")" : current;
}

std::optional<FunctionalType> functionalTypeFromRaw(uint32_t raw) {
    if (raw > rawValue(FunctionalType::management)) {
        return std::nullopt;
    }
    return static_cast<FunctionalType>(raw);
}

const char* caseName(FunctionalType type) {
    switch (type) {
    case FunctionalType::unknown:
        return "unknown";
    case FunctionalType::loopback:
        return "loopback";
    case FunctionalType::wired:
        return "wired";
    case FunctionalType::wifiInfra:
        return "wifiInfra";
    case FunctionalType::wifiAWDL:
        return "wifiAWDL";
    case FunctionalType::cellular:
        return "cellular";
    case FunctionalType::intcoproc:
        return "intcoproc";
    case FunctionalType::companionLink:
        return "companionLink";
    case FunctionalType::management:
        return "management";
    }
    return "unknown";
}

const char* caseName(MediaStatus status) {
    switch (status) {
    case MediaStatus::unknown:
        return "unknown";
    case MediaStatus::active:
        return "active";
    case MediaStatus::inactive:
        return "inactive";
    }
    return "unknown";
}

bool InterfaceSnapshot::isLinkActive() const {
    return isUp() && isRunning() && (!media || media->status != MediaStatus::inactive);
}

} // namespace wirelark

using wirelark::hashCombine;

std::size_t
std::hash<wirelark::IPv4Address>::operator()(const wirelark::IPv4Address& a) const noexcept {
    std::size_t seed = wirelark::hashOf(a.address);
    hashCombine(seed, wirelark::hashOf(a.netmask));
    hashCombine(seed, wirelark::hashOf(a.prefixLength));
    hashCombine(seed, wirelark::hashOf(a.broadcast));
    hashCombine(seed, wirelark::hashOf(a.destination));
    return seed;
}

std::size_t
std::hash<wirelark::IPv6Address>::operator()(const wirelark::IPv6Address& a) const noexcept {
    std::size_t seed = wirelark::hashOf(a.address);
    hashCombine(seed, wirelark::hashOf(a.prefixLength));
    hashCombine(seed, wirelark::hashOf(a.scopeID));
    hashCombine(seed, wirelark::hashOf(a.flags));
    hashCombine(seed, wirelark::hashOf(a.destination));
    return seed;
}

std::size_t
std::hash<wirelark::LinkAddress>::operator()(const wirelark::LinkAddress& a) const noexcept {
    std::size_t seed = wirelark::hashOf(a.type);
    for (uint8_t byte : a.bytes) {
        hashCombine(seed, byte);
    }
    hashCombine(seed, a.bytes.size());
    return seed;
}

std::size_t std::hash<wirelark::InterfaceCounters>::operator()(
    const wirelark::InterfaceCounters& c) const noexcept {
    std::size_t seed = 0;
    for (uint64_t value : {c.bytesIn, c.bytesOut, c.packetsIn, c.packetsOut, c.errorsIn,
                           c.errorsOut, c.multicastIn, c.multicastOut, c.collisions, c.dropsIn}) {
        hashCombine(seed, wirelark::hashOf(value));
    }
    return seed;
}

std::size_t
std::hash<wirelark::MediaInfo>::operator()(const wirelark::MediaInfo& m) const noexcept {
    std::size_t seed = wirelark::hashOf(m.current);
    hashCombine(seed, wirelark::hashOf(m.active));
    hashCombine(seed, static_cast<std::size_t>(m.status));
    return seed;
}

std::size_t std::hash<wirelark::InterfaceSnapshot>::operator()(
    const wirelark::InterfaceSnapshot& s) const noexcept {
    using wirelark::hashOf;
    std::size_t seed = hashOf(s.name);
    hashCombine(seed, hashOf(s.index));
    hashCombine(seed, hashOf(s.flags));
    hashCombine(seed, hashOf(s.mtu));
    hashCombine(seed, hashOf(s.ifType));
    hashCombine(seed, hashOf(s.baudrate));
    hashCombine(seed, hashOf(s.counters));
    hashCombine(seed, hashOf(s.linkAddress));
    for (const auto& a : s.ipv4) {
        hashCombine(seed, hashOf(a));
    }
    hashCombine(seed, s.ipv4.size());
    for (const auto& a : s.ipv6) {
        hashCombine(seed, hashOf(a));
    }
    hashCombine(seed, s.ipv6.size());
    hashCombine(seed, hashOf(s.media));
    hashCombine(seed, hashOf(s.capabilities));
    hashCombine(seed, hashOf(s.nd6Flags));
    hashCombine(seed, static_cast<std::size_t>(s.functionalType));
    hashCombine(seed, hashOf(s.deviceKind));
    return seed;
}
