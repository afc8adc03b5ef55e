#pragma once

#include "netcore/http/address_resolver.h"

#include <openssl/ssl.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace wirelark::testing {

// One accepted client, as the server's responder sees it.
class ServerConnection {
public:
    ServerConnection(int fd, SSL* tls, int stopFd, std::atomic<int>& closes)
        : fd_(fd), tls_(tls), stopFd_(stopFd), closes_(closes) {}

    // False once the client has gone.
    bool send(std::string_view bytes);
    // Waits for the client to close (true) or the server to stop (false), or for at most limit.
    bool waitForClose(std::chrono::milliseconds limit = std::chrono::hours(1));
    // Reads up to the end of the request head; false when the client left first.
    bool readRequest(std::string& request);

private:
    // Bytes read, 0 once the client closed, -1 on error.
    long read(char* buffer, std::size_t size);

    int fd_;
    SSL* tls_;
    int stopFd_;
    std::atomic<int>& closes_;
};

using Responder = std::function<void(ServerConnection&)>;

struct TlsIdentity {
    X509* certificate;
    EVP_PKEY* key;
};

// A server on 127.0.0.1 or ::1 with a thread of its own that serves one client at a time:
// it reads the request head, keeps it, then lets the responder answer.
class LoopbackServer {
public:
    LoopbackServer(IPVersion family, Responder responder,
                   std::optional<TlsIdentity> tls = std::nullopt);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    // False when the loopback address of this family can't be used here.
    static bool available(IPVersion family);

    uint16_t port() const { return port_; }
    SocketAddress address() const;
    // "http://127.0.0.1:PORT" + path, or the same with "[::1]" and another scheme.
    std::string url(std::string_view path, std::string_view scheme = "http") const;
    std::vector<std::string> requests() const;
    // The name the client asked for in TLS (SNI) on the last connection.
    std::string lastServerName() const;
    // How many clients were seen to close while the responder waited for them.
    int clientCloses() const { return clientCloses_.load(); }

private:
    void serve();
    void serveOne(int fd);

    IPVersion family_;
    Responder responder_;
    SSL_CTX* tls_ = nullptr;
    int listenFd_ = -1;
    int stopFd_ = -1;
    uint16_t port_ = 0;
    mutable std::mutex lock_;
    std::vector<std::string> requests_;
    std::string lastServerName_;
    std::atomic<int> clientCloses_{0};
    std::jthread thread_;
};

// Resolves chosen names to chosen socket addresses per family; any other host fails.
class FixedResolver : public AddressResolver {
public:
    void add(const std::string& host, IPVersion family, SocketAddress address) {
        table_[{host, family}].push_back(address);
    }
    HttpResult<std::vector<SocketAddress>> resolve(const std::string& host, uint16_t,
                                                   IPVersion version, DeadlineClock::time_point,
                                                   const Cancellation*) const override;
    // The families asked for, in order.
    std::vector<IPVersion> asked() const;

private:
    std::map<std::pair<std::string, IPVersion>, std::vector<SocketAddress>> table_;
    mutable std::mutex lock_;
    mutable std::vector<IPVersion> asked_;
};

// Waits (up to ten seconds) for something another thread does after the client has moved on.
bool eventually(const std::function<bool()>& condition);

// A whole response: status line, headers, blank line, body.
std::string httpResponse(std::string_view statusLine, std::string_view body,
                         std::string_view headers = "");

} // namespace wirelark::testing
