#pragma once

#include "netcore/interfaces/interface_snapshot.h"

#include <netinet/in.h>
#include <sys/socket.h>

#include <cstddef>
#include <optional>
#include <string>

namespace wirelark {

// A socket address as the kernel listed it, with its length in bytes (Linux socket
// addresses carry no length of their own). An absent address has a null pointer.
struct SocketAddressView {
    const sockaddr* address = nullptr;
    size_t length = 0;

    bool isFamily(int family) const { return address != nullptr && address->sa_family == family; }
};

// Leading one bits of a netmask: whole 0xFF bytes count 8, then the leading ones of the first
// other byte; only the bytes the address's length covers are examined.
int netmaskPrefixLength(SocketAddressView netmask, int family);

// inet_ntop text of an address of the family; empty when it cannot be converted.
std::string addressText(int family, const void* bytes);

IPv4Address makeIPv4Address(SocketAddressView address, SocketAddressView netmask,
                            SocketAddressView destinationOrBroadcast, uint32_t interfaceFlags);

// Takes the scope from the socket address's scope field. Linux never embeds a scope in the
// address itself, so every byte of a link-local address (fe80:1::1) is kept as configured.
IPv6Address makeIPv6Address(const sockaddr_in6& address, SocketAddressView netmask,
                            uint32_t addressFlags, SocketAddressView destination = {});

} // namespace wirelark
