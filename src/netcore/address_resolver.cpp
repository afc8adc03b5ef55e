#include "netcore/address_resolver.h"

#include <netdb.h>

#include <cstring>
#include <memory>

namespace wirelark {

std::string SocketAddress::text() const {
    char host[NI_MAXHOST] = "";
    if (getnameinfo(get(), length, host, sizeof host, nullptr, 0, NI_NUMERICHOST) != 0) {
        return "?";
    }
    return host;
}

LookupResult<std::vector<SocketAddress>>
SystemResolver::resolve(const std::string& host, uint16_t port, IPVersion version) const {
    addrinfo hints{};
    hints.ai_family = version == IPVersion::v4 ? AF_INET : AF_INET6;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const int status = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
    const std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> owner(found, freeaddrinfo);
    const auto noAddress = [&] {
        const char* family = version == IPVersion::v4 ? "IPv4" : "IPv6";
        return NetworkError::connection(std::string("No ") + family + " address is known for " +
                                        host);
    };
    if (status == EAI_NONAME || status == EAI_NODATA || status == EAI_ADDRFAMILY) {
        return noAddress();
    }
    if (status != 0) {
        const char* reason = status == EAI_SYSTEM ? std::strerror(errno) : gai_strerror(status);
        return NetworkError::connection("Couldn't look up " + host + ": " + reason);
    }
    std::vector<SocketAddress> addresses;
    for (const addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
        if (entry->ai_family != hints.ai_family || entry->ai_addrlen > sizeof(sockaddr_storage)) {
            continue;
        }
        SocketAddress address;
        std::memcpy(&address.storage, entry->ai_addr, entry->ai_addrlen);
        address.length = entry->ai_addrlen;
        addresses.push_back(address);
    }
    if (addresses.empty()) {
        return noAddress();
    }
    return addresses;
}

} // namespace wirelark
