#pragma once

#include "netcore/lookup_error.h"

#include <sys/socket.h>

#include <cstdint>
#include <string>
#include <vector>

namespace wirelark {

enum class IPVersion { v4, v6 };

struct SocketAddress {
    sockaddr_storage storage{};
    socklen_t length = 0;

    const sockaddr* get() const { return reinterpret_cast<const sockaddr*>(&storage); }
    // The numeric address, for error texts.
    std::string text() const;
};

// Turns a host name into the socket addresses of one family.
class AddressResolver {
public:
    virtual ~AddressResolver() = default;
    // Every address of that family, in the order in which they should be tried.
    virtual LookupResult<std::vector<SocketAddress>> resolve(const std::string& host, uint16_t port,
                                                             IPVersion version) const = 0;
};

// The system resolver (getaddrinfo with the family forced).
class SystemResolver : public AddressResolver {
public:
    LookupResult<std::vector<SocketAddress>> resolve(const std::string& host, uint16_t port,
                                                     IPVersion version) const override;
};

} // namespace wirelark
