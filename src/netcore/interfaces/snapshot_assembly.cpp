#include "netcore/interfaces/snapshot_assembly.h"

#include "netcore/interfaces/address_building.h"

#include <net/if.h>

#include <algorithm>
#include <cstring>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace wirelark {

namespace {

std::string mediaWordText(uint32_t word) {
    char buffer[128];
    wlk_media_word_string(word, buffer, sizeof buffer);
    return buffer;
}

sockaddr_in ipv4SocketAddress(const uint8_t* bytes) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    std::memcpy(&address.sin_addr, bytes, 4);
    return address;
}

template <typename SocketAddress>
SocketAddressView viewOf(const SocketAddress& address) {
    return {reinterpret_cast<const sockaddr*>(&address), sizeof address};
}

// The mask bytes of a prefix length, as the kernel's address list would hold them.
template <size_t N>
void fillMask(uint8_t (&mask)[N], int prefixLength) {
    for (size_t i = 0; i < N; ++i) {
        const int bits = std::clamp(prefixLength - static_cast<int>(i * 8), 0, 8);
        mask[i] = static_cast<uint8_t>(0xFF00 >> bits);
    }
}

IPv4Address ipv4From(const wlk_addr& entry, uint32_t interfaceFlags) {
    const uint8_t* local = entry.has_local ? entry.local : entry.address;
    const sockaddr_in address = ipv4SocketAddress(local);
    uint8_t maskBytes[4];
    fillMask(maskBytes, entry.prefix_len);
    const sockaddr_in netmask = ipv4SocketAddress(maskBytes);
    // The peer of a point-to-point address is IFA_ADDRESS where it differs from the local
    // address; a broadcast address comes only from IFA_BROADCAST.
    std::optional<sockaddr_in> other;
    if (interfaceFlags & IFF_POINTOPOINT) {
        if (entry.has_local && entry.has_address &&
            std::memcmp(entry.local, entry.address, 4) != 0) {
            other = ipv4SocketAddress(entry.address);
        }
    } else if (entry.has_broadcast) {
        other = ipv4SocketAddress(entry.broadcast);
    }
    return makeIPv4Address(viewOf(address), viewOf(netmask),
                           other ? viewOf(*other) : SocketAddressView{}, interfaceFlags);
}

sockaddr_in6 ipv6SocketAddress(const uint8_t* bytes) {
    sockaddr_in6 address{};
    address.sin6_family = AF_INET6;
    std::memcpy(&address.sin6_addr, bytes, 16);
    return address;
}

IPv6Address ipv6From(const wlk_addr& entry) {
    sockaddr_in6 address = ipv6SocketAddress(entry.has_local ? entry.local : entry.address);
    if (IN6_IS_ADDR_LINKLOCAL(&address.sin6_addr) || IN6_IS_ADDR_MC_LINKLOCAL(&address.sin6_addr)) {
        address.sin6_scope_id = entry.index;
    }
    sockaddr_in6 netmask{};
    netmask.sin6_family = AF_INET6;
    fillMask(netmask.sin6_addr.s6_addr, entry.prefix_len);
    // As for IPv4, IFA_ADDRESS is the peer where it differs from IFA_LOCAL.
    std::optional<sockaddr_in6> peer;
    if (entry.has_local && entry.has_address && std::memcmp(entry.local, entry.address, 16) != 0) {
        peer = ipv6SocketAddress(entry.address);
    }
    return makeIPv6Address(address, viewOf(netmask), wlk_in6_addr_flags(&entry),
                           peer ? viewOf(*peer) : SocketAddressView{});
}

} // namespace

InterfaceCounters countersFrom(const wlk_counters& c) {
    return {c.bytes_in,   c.bytes_out,    c.packets_in,    c.packets_out, c.errors_in,
            c.errors_out, c.multicast_in, c.multicast_out, c.collisions,  c.drops_in};
}

MediaInfo mediaInfoFrom(const wlk_media& media) {
    MediaInfo info;
    info.current = mediaWordText(media.current);
    if (media.active != media.current) {
        info.active = mediaWordText(media.active);
    }
    if (wlk_media_status_valid(media.status)) {
        info.status =
            wlk_media_status_active(media.status) ? MediaStatus::active : MediaStatus::inactive;
    }
    return info;
}

std::vector<InterfaceSnapshot>
assembleSnapshots(std::span<const wlk_link> links, std::span<const wlk_addr> addresses,
                  const std::function<LinkExtras(const wlk_link&)>& extrasFor) {
    std::vector<InterfaceSnapshot> snapshots;
    snapshots.reserve(links.size());
    std::unordered_map<uint32_t, size_t> positionOfIndex;
    std::unordered_set<std::string_view> names;
    positionOfIndex.reserve(links.size());
    names.reserve(links.size());
    for (const auto& link : links) {
        // A name or index listed twice keeps its first record, as it keeps its first flags word.
        if (names.contains(link.name) || positionOfIndex.contains(link.index)) {
            continue;
        }
        names.insert(link.name);
        positionOfIndex.emplace(link.index, snapshots.size());
        InterfaceSnapshot& s = snapshots.emplace_back();
        s.name = link.name;
        s.index = link.index;
        s.flags = link.flags;
        s.mtu = link.mtu;
        s.ifType = wlk_if_type(link.hw_type, link.kind);
        s.deviceKind = link.kind;
        if (link.has_stats) {
            s.counters = countersFrom(link.stats);
        }
        if (link.address_len > 0) {
            s.linkAddress = LinkAddress{{link.address, link.address + link.address_len}, s.ifType};
        }
        uint32_t nd6 = 0;
        if (wlk_get_nd6_flags(&link, &nd6)) {
            s.nd6Flags = nd6;
        }
        LinkExtras extras = extrasFor(link);
        s.media = std::move(extras.media);
        s.baudrate = extras.baudrate;
        s.capabilities = extras.capabilities;
        s.functionalType = extras.functionalType;
    }
    // Each address's snapshot, found once; counting first lets every list be sized exactly.
    constexpr size_t kNoSnapshot = SIZE_MAX;
    std::vector<size_t> owner(addresses.size(), kNoSnapshot);
    std::vector<std::pair<size_t, size_t>> counts(snapshots.size()); // IPv4, IPv6
    for (size_t i = 0; i < addresses.size(); ++i) {
        if (const auto position = positionOfIndex.find(addresses[i].index);
            position != positionOfIndex.end()) {
            owner[i] = position->second;
            auto& [v4, v6] = counts[position->second];
            ++(addresses[i].family == AF_INET ? v4 : v6);
        }
    }
    for (size_t i = 0; i < snapshots.size(); ++i) {
        snapshots[i].ipv4.reserve(counts[i].first);
        snapshots[i].ipv6.reserve(counts[i].second);
    }
    for (size_t i = 0; i < addresses.size(); ++i) {
        if (owner[i] == kNoSnapshot) {
            continue;
        }
        InterfaceSnapshot& s = snapshots[owner[i]];
        const wlk_addr& entry = addresses[i];
        if (entry.family == AF_INET) {
            s.ipv4.push_back(ipv4From(entry, s.flags));
        } else if (entry.family == AF_INET6) {
            s.ipv6.push_back(ipv6From(entry));
        }
    }
    return snapshots;
}

} // namespace wirelark
