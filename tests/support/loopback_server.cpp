#include "loopback_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>

namespace wirelark::testing {
namespace {

SocketAddress loopback(IPVersion family, uint16_t port) {
    SocketAddress address;
    if (family == IPVersion::v4) {
        auto* in = reinterpret_cast<sockaddr_in*>(&address.storage);
        in->sin_family = AF_INET;
        in->sin_port = htons(port);
        in->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.length = sizeof(sockaddr_in);
    } else {
        auto* in6 = reinterpret_cast<sockaddr_in6*>(&address.storage);
        in6->sin6_family = AF_INET6;
        in6->sin6_port = htons(port);
        in6->sin6_addr = in6addr_loopback;
        address.length = sizeof(sockaddr_in6);
    }
    return address;
}

int listenOn(IPVersion family) {
    const int fd =
        socket(family == IPVersion::v4 ? AF_INET : AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    const int one = 1;
    if (family == IPVersion::v6) {
        setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &one, sizeof one);
    }
    const auto address = loopback(family, 0);
    if (bind(fd, address.get(), address.length) < 0 || listen(fd, 16) < 0) {
        close(fd);
        return -1;
    }
    return fd;
}

} // namespace

long ServerConnection::read(char* buffer, std::size_t size) {
    if (tls_ != nullptr) {
        const int got = SSL_read(tls_, buffer, static_cast<int>(size));
        return got > 0 ? got : (SSL_get_error(tls_, got) == SSL_ERROR_ZERO_RETURN ? 0 : -1);
    }
    return ::recv(fd_, buffer, size, 0);
}

bool ServerConnection::send(std::string_view bytes) {
    while (!bytes.empty()) {
        const long sent = tls_ != nullptr
                              ? SSL_write(tls_, bytes.data(), static_cast<int>(bytes.size()))
                              : ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

bool ServerConnection::waitForClose(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (true) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return false;
        }
        pollfd fds[2] = {{fd_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
        if (poll(fds, 2, static_cast<int>(left.count())) < 0 || fds[1].revents != 0) {
            return false;
        }
        if (fds[0].revents != 0) {
            char scratch[4096];
            if (read(scratch, sizeof scratch) <= 0) {
                ++closes_;
                return true;
            }
        }
    }
}

bool ServerConnection::readRequest(std::string& request) {
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos) {
        const long got = read(buffer, sizeof buffer);
        if (got <= 0) {
            return false;
        }
        request.append(buffer, static_cast<std::size_t>(got));
    }
    return true;
}

LoopbackServer::LoopbackServer(IPVersion family, Responder responder,
                               std::optional<TlsIdentity> tls)
    : family_(family), responder_(std::move(responder)) {
    listenFd_ = listenOn(family);
    if (listenFd_ < 0) {
        throw std::runtime_error(std::string("can't listen on loopback: ") + strerror(errno));
    }
    sockaddr_storage bound{};
    socklen_t length = sizeof bound;
    getsockname(listenFd_, reinterpret_cast<sockaddr*>(&bound), &length);
    port_ = ntohs(family == IPVersion::v4 ? reinterpret_cast<sockaddr_in*>(&bound)->sin_port
                                          : reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port);
    stopFd_ = eventfd(0, EFD_CLOEXEC);
    if (tls) {
        tls_ = SSL_CTX_new(TLS_server_method());
        SSL_CTX_use_certificate(tls_, tls->certificate);
        SSL_CTX_use_PrivateKey(tls_, tls->key);
    }
    thread_ = std::jthread([this] { serve(); });
}

LoopbackServer::~LoopbackServer() {
    const uint64_t one = 1;
    [[maybe_unused]] auto written = write(stopFd_, &one, sizeof one);
    thread_.join();
    close(listenFd_);
    close(stopFd_);
    SSL_CTX_free(tls_);
}

bool LoopbackServer::available(IPVersion family) {
    const int fd = listenOn(family);
    if (fd < 0) {
        return false;
    }
    close(fd);
    return true;
}

SocketAddress LoopbackServer::address() const {
    return loopback(family_, port_);
}

std::string LoopbackServer::url(std::string_view path, std::string_view scheme) const {
    const char* host = family_ == IPVersion::v4 ? "127.0.0.1" : "[::1]";
    return std::string(scheme) + "://" + host + ":" + std::to_string(port_) + std::string(path);
}

std::vector<std::string> LoopbackServer::requests() const {
    std::lock_guard guard(lock_);
    return requests_;
}

std::string LoopbackServer::lastServerName() const {
    std::lock_guard guard(lock_);
    return lastServerName_;
}

void LoopbackServer::serve() {
    while (true) {
        pollfd fds[2] = {{listenFd_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0 && errno != EINTR) {
            return;
        }
        if (fds[1].revents != 0) {
            return;
        }
        if (fds[0].revents != 0) {
            const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0) {
                serveOne(fd);
                close(fd);
            }
        }
    }
}

void LoopbackServer::serveOne(int fd) {
    // A client that stalls must not hold the server thread for ever.
    const timeval limit{10, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    SSL* tls = nullptr;
    if (tls_ != nullptr) {
        tls = SSL_new(tls_);
        SSL_set_fd(tls, fd);
        if (SSL_accept(tls) != 1) {
            SSL_free(tls); // the client refused the certificate
            return;
        }
        const char* name = SSL_get_servername(tls, TLSEXT_NAMETYPE_host_name);
        std::lock_guard guard(lock_);
        lastServerName_ = name ? name : "";
    }
    ServerConnection connection(fd, tls, stopFd_, clientCloses_);
    std::string request;
    if (connection.readRequest(request)) {
        {
            std::lock_guard guard(lock_);
            requests_.push_back(request);
        }
        responder_(connection);
    }
    SSL_free(tls);
}

HttpResult<std::vector<SocketAddress>> FixedResolver::resolve(const std::string& host, uint16_t,
                                                              IPVersion version,
                                                              DeadlineClock::time_point,
                                                              const Cancellation*) const {
    {
        std::lock_guard guard(lock_);
        asked_.push_back(version);
    }
    const auto found = table_.find({host, version});
    if (found == table_.end()) {
        return Unexpected(HttpError::connection("No address is known for " + host));
    }
    return found->second;
}

std::vector<IPVersion> FixedResolver::asked() const {
    std::lock_guard guard(lock_);
    return asked_;
}

bool eventually(const std::function<bool()>& condition) {
    for (int i = 0; i < 1000 && !condition(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return condition();
}

std::string httpResponse(std::string_view statusLine, std::string_view body,
                         std::string_view headers) {
    return std::string(statusLine) + "\r\n" + std::string(headers) + "\r\n" + std::string(body);
}

} // namespace wirelark::testing
