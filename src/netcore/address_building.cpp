#include "netcore/address_building.h"

#include <arpa/inet.h>
#include <net/if.h>

#include <algorithm>
#include <bit>
#include <cstring>

namespace wirelark {

int netmaskPrefixLength(SocketAddressView netmask, int family) {
    const size_t offset =
        family == AF_INET ? offsetof(sockaddr_in, sin_addr) : offsetof(sockaddr_in6, sin6_addr);
    const size_t cap = family == AF_INET ? 4 : 16;
    if (netmask.address == nullptr || netmask.length <= offset) {
        return 0;
    }
    const size_t examined = std::min(netmask.length - offset, cap);
    const auto* bytes = reinterpret_cast<const uint8_t*>(netmask.address) + offset;
    int count = 0;
    for (size_t i = 0; i < examined; ++i) {
        if (bytes[i] != 0xFF) {
            return count + std::countl_one(bytes[i]);
        }
        count += 8;
    }
    return count;
}

std::string addressText(int family, const void* bytes) {
    char buffer[46] = {};
    if (inet_ntop(family, bytes, buffer, sizeof buffer) == nullptr) {
        return {};
    }
    return std::string(buffer, strnlen(buffer, sizeof buffer));
}

namespace {

// Text of an IPv4 socket address; bytes past a short address's length read as zero.
std::optional<std::string> ipv4Text(SocketAddressView view) {
    if (!view.isFamily(AF_INET)) {
        return std::nullopt;
    }
    sockaddr_in address{};
    std::memcpy(&address, view.address, std::min(view.length, sizeof address));
    return addressText(AF_INET, &address.sin_addr);
}

} // namespace

IPv4Address makeIPv4Address(SocketAddressView address, SocketAddressView netmask,
                            SocketAddressView destinationOrBroadcast, uint32_t interfaceFlags) {
    IPv4Address result;
    result.address = ipv4Text(address).value_or("0.0.0.0");
    if (netmask.address != nullptr) {
        result.netmask = ipv4Text(netmask);
        result.prefixLength = netmaskPrefixLength(netmask, AF_INET);
    }
    const auto other = ipv4Text(destinationOrBroadcast);
    if (interfaceFlags & IFF_POINTOPOINT) {
        result.destination = other;
    } else if ((interfaceFlags & IFF_BROADCAST) && other && *other != "0.0.0.0") {
        result.broadcast = other;
    }
    return result;
}

IPv6Address makeIPv6Address(const sockaddr_in6& address, SocketAddressView netmask,
                            uint32_t addressFlags) {
    in6_addr bytes = address.sin6_addr;
    const bool linkLocal = bytes.s6_addr[0] == 0xFE && (bytes.s6_addr[1] & 0xC0) == 0x80;
    const uint16_t embedded = static_cast<uint16_t>(bytes.s6_addr[2] << 8 | bytes.s6_addr[3]);
    IPv6Address result;
    if (linkLocal && embedded != 0) {
        result.scopeID = address.sin6_scope_id != 0 ? address.sin6_scope_id : embedded;
        bytes.s6_addr[2] = 0;
        bytes.s6_addr[3] = 0;
    } else {
        result.scopeID = address.sin6_scope_id;
    }
    result.address = addressText(AF_INET6, &bytes);
    result.flags = addressFlags;
    if (netmask.address != nullptr) {
        result.prefixLength = netmaskPrefixLength(netmask, AF_INET6);
    }
    return result;
}

} // namespace wirelark
