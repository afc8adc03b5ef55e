#pragma once

#include "netcore/base/cancellation.h"
#include "netcore/http/deadline_wait.h"
#include "netcore/http/http_error.h"

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
    // Every address of that family, in the order in which they should be tried; a timed-out
    // error at the deadline, a cancellation error once cancelled.
    virtual HttpResult<std::vector<SocketAddress>>
    resolve(const std::string& host, uint16_t port, IPVersion version,
            DeadlineClock::time_point deadline, const Cancellation* cancellation) const = 0;
};

// The system resolver: getaddrinfo with the family forced, run by glibc in the background
// (getaddrinfo_a) so that a stalled name server cannot hold the caller past its deadline.
class SystemResolver : public AddressResolver {
public:
    HttpResult<std::vector<SocketAddress>> resolve(const std::string& host, uint16_t port,
                                                   IPVersion version,
                                                   DeadlineClock::time_point deadline,
                                                   const Cancellation* cancellation) const override;
};

} // namespace wirelark
