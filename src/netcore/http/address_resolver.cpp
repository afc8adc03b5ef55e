#include "netcore/http/address_resolver.h"

#include "netcore/base/unique_fd.h"

#include <netdb.h>
#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace wirelark {
namespace {

// One background getaddrinfo request. glibc may still be working on it after the caller has
// given up, so the caller and glibc's completion callback each hold it, and the last to let go
// frees it.
struct PendingLookup {
    std::string host;
    std::string service;
    addrinfo hints{};
    gaicb request{};
    UniqueFd doneFd{eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)};
    std::atomic<int> holders{2};

    void release() {
        if (--holders == 0) {
            if (request.ar_result != nullptr) {
                freeaddrinfo(request.ar_result);
            }
            delete this; // closes doneFd
        }
    }

    static void completed(sigval value) {
        auto* lookup = static_cast<PendingLookup*>(value.sival_ptr);
        const uint64_t one = 1;
        [[maybe_unused]] auto written = write(lookup->doneFd.get(), &one, sizeof one);
        lookup->release();
    }
};

} // namespace

std::string SocketAddress::text() const {
    char host[NI_MAXHOST] = "";
    if (getnameinfo(get(), length, host, sizeof host, nullptr, 0, NI_NUMERICHOST) != 0) {
        return "?";
    }
    return host;
}

HttpResult<std::vector<SocketAddress>>
SystemResolver::resolve(const std::string& host, uint16_t port, IPVersion version,
                        DeadlineClock::time_point deadline,
                        const Cancellation* cancellation) const {
    auto* lookup = new PendingLookup{host, std::to_string(port)};
    if (!lookup->doneFd) {
        const int error = errno;
        delete lookup;
        return Unexpected(
            HttpError::connection("Couldn't look up " + host + ": " + std::strerror(error)));
    }
    lookup->hints.ai_family = version == IPVersion::v4 ? AF_INET : AF_INET6;
    lookup->hints.ai_socktype = SOCK_STREAM;
    lookup->hints.ai_protocol = IPPROTO_TCP;
    lookup->hints.ai_flags = AI_NUMERICSERV;
    lookup->request.ar_name = lookup->host.c_str();
    lookup->request.ar_service = lookup->service.c_str();
    lookup->request.ar_request = &lookup->hints;
    sigevent notification{};
    notification.sigev_notify = SIGEV_THREAD;
    notification.sigev_notify_function = PendingLookup::completed;
    notification.sigev_value.sival_ptr = lookup;
    gaicb* requests[] = {&lookup->request};
    if (const int status = getaddrinfo_a(GAI_NOWAIT, requests, 1, &notification); status != 0) {
        // Nothing was queued, so no callback will come.
        lookup->release();
        lookup->release();
        return Unexpected(
            HttpError::connection("Couldn't look up " + host + ": " + gai_strerror(status)));
    }

    if (auto ready = waitUntilReady(lookup->doneFd.get(), POLLIN, deadline,
                                    cancellation != nullptr ? cancellation->fd() : -1);
        !ready) {
        if (gai_cancel(&lookup->request) == EAI_CANCELED) {
            lookup->release(); // it never ran, so its callback never will
        }
        lookup->release();
        return Unexpected(std::move(ready).error());
    }

    const int status = gai_error(&lookup->request);
    const auto noAddress = [&] {
        const char* family = version == IPVersion::v4 ? "IPv4" : "IPv6";
        return Unexpected(
            HttpError::connection(std::string("No ") + family + " address is known for " + host));
    };
    std::vector<SocketAddress> addresses;
    for (const addrinfo* entry = status == 0 ? lookup->request.ar_result : nullptr;
         entry != nullptr; entry = entry->ai_next) {
        if (entry->ai_family != lookup->hints.ai_family ||
            entry->ai_addrlen > sizeof(sockaddr_storage)) {
            continue;
        }
        SocketAddress address;
        std::memcpy(&address.storage, entry->ai_addr, entry->ai_addrlen);
        address.length = entry->ai_addrlen;
        addresses.push_back(address);
    }
    lookup->release();
    if (status == EAI_NONAME || status == EAI_NODATA || status == EAI_ADDRFAMILY ||
        (status == 0 && addresses.empty())) {
        return noAddress();
    }
    if (status != 0) {
        return Unexpected(
            HttpError::connection("Couldn't look up " + host + ": " + gai_strerror(status)));
    }
    return addresses;
}

} // namespace wirelark
