#include "netcore/interfaces/address_building.h"

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

namespace {

// Dotted-quad text, as inet_ntop writes it, without going through printf: the reader turns every
// address into text on every tick.
std::string dottedQuad(const uint8_t* bytes) {
    char text[16];
    char* out = text;
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            *out++ = '.';
        }
        const unsigned value = bytes[i];
        if (value >= 100) {
            *out++ = static_cast<char>('0' + value / 100);
        }
        if (value >= 10) {
            *out++ = static_cast<char>('0' + value / 10 % 10);
        }
        *out++ = static_cast<char>('0' + value % 10);
    }
    return std::string(text, out);
}

// The text inet_ntop writes for an IPv6 address (the longest run of two or more zero groups
// shortened to "::", the first of equal runs; the IPv4-compatible and IPv4-mapped forms with a
// dotted quad), without going through printf.
std::string ipv6Text(const uint8_t* bytes) {
    uint16_t words[8];
    for (int i = 0; i < 8; ++i) {
        words[i] = static_cast<uint16_t>(bytes[2 * i] << 8 | bytes[2 * i + 1]);
    }
    int bestBase = -1, bestLength = 0;
    for (int i = 0; i < 8;) {
        if (words[i] != 0) {
            ++i;
            continue;
        }
        int j = i;
        while (j < 8 && words[j] == 0) {
            ++j;
        }
        if (j - i > bestLength) {
            bestBase = i;
            bestLength = j - i;
        }
        i = j;
    }
    if (bestLength < 2) {
        bestBase = -1;
    }
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    text.reserve(45);
    for (int i = 0; i < 8; ++i) {
        if (bestBase != -1 && i >= bestBase && i < bestBase + bestLength) {
            if (i == bestBase) {
                text += ':';
            }
            continue;
        }
        if (i != 0) {
            text += ':';
        }
        if (i == 6 && bestBase == 0 &&
            (bestLength == 6 || (bestLength == 7 && words[7] != 0x0001) ||
             (bestLength == 5 && words[5] == 0xffff))) {
            text += dottedQuad(bytes + 12);
            return text;
        }
        bool leading = true;
        for (int shift = 12; shift >= 0; shift -= 4) {
            const int digit = (words[i] >> shift) & 0xF;
            if (digit != 0 || !leading || shift == 0) {
                text += kHex[digit];
                leading = false;
            }
        }
    }
    if (bestBase != -1 && bestBase + bestLength == 8) {
        text += ':';
    }
    return text;
}

} // namespace

std::string addressText(int family, const void* bytes) {
    if (family == AF_INET && bytes != nullptr) {
        return dottedQuad(static_cast<const uint8_t*>(bytes));
    }
    if (family == AF_INET6 && bytes != nullptr) {
        return ipv6Text(static_cast<const uint8_t*>(bytes));
    }
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
                            uint32_t addressFlags, SocketAddressView destination) {
    IPv6Address result;
    result.address = addressText(AF_INET6, &address.sin6_addr);
    result.scopeID = address.sin6_scope_id;
    result.flags = addressFlags;
    if (netmask.address != nullptr) {
        result.prefixLength = netmaskPrefixLength(netmask, AF_INET6);
    }
    if (destination.isFamily(AF_INET6) && destination.length >= sizeof(sockaddr_in6)) {
        sockaddr_in6 peer;
        std::memcpy(&peer, destination.address, sizeof peer);
        result.destination = addressText(AF_INET6, &peer.sin6_addr);
    }
    return result;
}

} // namespace wirelark
