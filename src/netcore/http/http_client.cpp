#include "netcore/http/http_client.h"

#include "netcore/http/deadline_wait.h"

#include <arpa/inet.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace wirelark {
namespace {

using Clock = DeadlineClock;
constexpr std::size_t kReadSize = 65'536;

std::string systemText(int error) {
    return std::strerror(error);
}

std::string openSslText(const char* fallback) {
    const unsigned long code = ERR_peek_last_error();
    if (code == 0) {
        return fallback;
    }
    char text[256];
    ERR_error_string_n(code, text, sizeof text);
    return text;
}

// Writing to a socket the server has closed raises SIGPIPE, and OpenSSL writes with write(2).
// The signal is blocked on this thread for the exchange and a pending one is discarded after.
class SigpipeGuard {
public:
    SigpipeGuard() {
        sigemptyset(&pipe_);
        sigaddset(&pipe_, SIGPIPE);
        sigset_t pending;
        sigpending(&pending);
        wasPending_ = sigismember(&pending, SIGPIPE) == 1;
        pthread_sigmask(SIG_BLOCK, &pipe_, &previous_);
    }
    ~SigpipeGuard() {
        sigset_t pending;
        sigpending(&pending);
        if (!wasPending_ && sigismember(&pending, SIGPIPE) == 1) {
            const timespec now{};
            sigtimedwait(&pipe_, nullptr, &now);
        }
        pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
    }
    SigpipeGuard(const SigpipeGuard&) = delete;
    SigpipeGuard& operator=(const SigpipeGuard&) = delete;

private:
    sigset_t pipe_;
    sigset_t previous_;
    bool wasPending_ = false;
};

// One connection under one deadline; every wait also watches the cancellation.
class Connection {
public:
    Connection(Clock::time_point deadline, int cancelFd)
        : deadline_(deadline), cancelFd_(cancelFd) {}
    ~Connection() {
        if (tls_) {
            SSL_free(tls_);
        }
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Tries the addresses in order; the error of the last one is the result when none answers.
    std::optional<LookupError> connect(const std::vector<SocketAddress>& addresses);
    std::optional<LookupError> startTls(SSL_CTX* context, const Url& url);
    std::optional<LookupError> send(std::string_view data);
    LookupResult<Bytes> receiveAll(std::size_t limit);

private:
    std::optional<LookupError> wait(short events);
    // Turns the outcome of an OpenSSL call into: nothing (done), an error, or a wait that
    // passed (try again).
    std::optional<LookupError> tlsRetry(int result, bool& retry, const char* what);

    Clock::time_point deadline_;
    int cancelFd_;
    int fd_ = -1;
    SSL* tls_ = nullptr;
};

std::optional<LookupError> Connection::wait(short events) {
    return waitUntilReady(fd_, events, deadline_, cancelFd_);
}

std::optional<LookupError> Connection::connect(const std::vector<SocketAddress>& addresses) {
    std::optional<LookupError> failure = NetworkError::connection("No address to connect to");
    for (const auto& address : addresses) {
        if (fd_ >= 0) {
            close(fd_);
        }
        fd_ = socket(address.storage.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd_ < 0) {
            return NetworkError::connection(systemText(errno));
        }
        int error = 0;
        if (::connect(fd_, address.get(), address.length) < 0) {
            if (errno != EINPROGRESS) {
                error = errno;
            } else if (auto waited = wait(POLLOUT)) {
                return waited; // the deadline covers every address together
            } else {
                socklen_t length = sizeof error;
                getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &length);
            }
        }
        if (error == 0) {
            return std::nullopt;
        }
        failure = NetworkError::connection("Couldn't connect to " + address.text() + ": " +
                                           systemText(error));
    }
    return failure;
}

std::optional<LookupError> Connection::tlsRetry(int result, bool& retry, const char* what) {
    retry = false;
    if (result > 0) {
        return std::nullopt;
    }
    const int error = SSL_get_error(tls_, result);
    if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) {
        retry = true;
        return wait(error == SSL_ERROR_WANT_READ ? POLLIN : POLLOUT);
    }
    if (error == SSL_ERROR_SYSCALL && errno != 0) {
        return NetworkError::connection(std::string(what) + ": " + systemText(errno));
    }
    const long verified = SSL_get_verify_result(tls_);
    if (verified != X509_V_OK) {
        return NetworkError::connection(std::string("The server's certificate isn't trusted: ") +
                                        X509_verify_cert_error_string(verified));
    }
    return NetworkError::connection(std::string(what) + ": " +
                                    openSslText("the server closed the connection"));
}

std::optional<LookupError> Connection::startTls(SSL_CTX* context, const Url& url) {
    ERR_clear_error();
    tls_ = SSL_new(context);
    if (tls_ == nullptr || SSL_set_fd(tls_, fd_) != 1) {
        return NetworkError::connection("The secure connection failed: " +
                                        openSslText("out of memory"));
    }
    const bool literal = [&] {
        unsigned char buffer[sizeof(in6_addr)];
        return inet_pton(AF_INET, url.host.c_str(), buffer) == 1 ||
               inet_pton(AF_INET6, url.host.c_str(), buffer) == 1;
    }();
    // Names go in SNI and are matched against the certificate's names; addresses are matched
    // against its IP entries and never sent as SNI.
    const bool named =
        literal ? X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(tls_), url.host.c_str()) == 1
                : SSL_set_tlsext_host_name(tls_, url.host.c_str()) == 1 &&
                      SSL_set1_host(tls_, url.host.c_str()) == 1;
    if (!named) {
        return NetworkError::connection("The secure connection failed: " +
                                        openSslText("the host name can't be checked"));
    }
    bool retry = true;
    while (retry) {
        ERR_clear_error();
        errno = 0;
        if (auto error = tlsRetry(SSL_connect(tls_), retry, "The secure connection failed")) {
            return error;
        }
    }
    return std::nullopt;
}

std::optional<LookupError> Connection::send(std::string_view data) {
    while (!data.empty()) {
        if (tls_ != nullptr) {
            ERR_clear_error();
            errno = 0;
            const int sent = SSL_write(tls_, data.data(), static_cast<int>(data.size()));
            bool retry = false;
            if (auto error = tlsRetry(sent, retry, "Sending the request failed")) {
                return error;
            }
            if (!retry) {
                data.remove_prefix(static_cast<std::size_t>(sent));
            }
            continue;
        }
        const ssize_t sent = ::send(fd_, data.data(), data.size(), MSG_NOSIGNAL);
        if (sent >= 0) {
            data.remove_prefix(static_cast<std::size_t>(sent));
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            if (auto error = wait(POLLOUT)) {
                return error;
            }
        } else if (errno != EINTR) {
            return NetworkError::connection("Sending the request failed: " + systemText(errno));
        }
    }
    return std::nullopt;
}

LookupResult<Bytes> Connection::receiveAll(std::size_t limit) {
    Bytes buffer;
    while (buffer.size() <= limit) {
        const std::size_t start = buffer.size();
        buffer.resize(start + kReadSize);
        ssize_t received;
        if (tls_ != nullptr) {
            ERR_clear_error();
            errno = 0;
            const int result = SSL_read(tls_, buffer.data() + start, static_cast<int>(kReadSize));
            received = result;
            if (result <= 0 && SSL_get_error(tls_, result) == SSL_ERROR_ZERO_RETURN) {
                received = 0;
            } else if (result <= 0) {
                received = -1;
                bool retry = false;
                if (auto error = tlsRetry(result, retry, "Reading the response failed")) {
                    return *error;
                }
            }
        } else {
            received = ::recv(fd_, buffer.data() + start, kReadSize, 0);
            if (received < 0 && errno != EINTR) {
                if (errno != EAGAIN && errno != EWOULDBLOCK) {
                    return NetworkError::connection("Reading the response failed: " +
                                                    systemText(errno));
                }
                if (auto error = wait(POLLIN)) {
                    return *error;
                }
            }
        }
        buffer.resize(start + static_cast<std::size_t>(std::max<ssize_t>(received, 0)));
        if (received == 0) {
            return buffer; // the server closed its side
        }
    }
    return buffer;
}

} // namespace

void HttpClient::TlsContextDeleter::operator()(ssl_ctx_st* context) const {
    SSL_CTX_free(context);
}

HttpClient::HttpClient(HttpClientOptions options)
    : timeout_(options.timeout), resolver_(std::move(options.resolver)) {
    if (!resolver_) {
        resolver_ = std::make_shared<SystemResolver>();
    }
    ERR_clear_error();
    tls_.reset(SSL_CTX_new(TLS_client_method()));
    if (!tls_) {
        tlsSetupError_ = "TLS isn't available: " + openSslText("out of memory");
        return;
    }
    SSL_CTX_set_min_proto_version(tls_.get(), TLS1_2_VERSION);
    SSL_CTX_set_verify(tls_.get(), SSL_VERIFY_PEER, nullptr);
    // Servers that answer "Connection: close" often skip the closing TLS alert.
    SSL_CTX_set_options(tls_.get(), SSL_OP_IGNORE_UNEXPECTED_EOF);
    const bool trusted = options.trustAnchorsFile
                             ? SSL_CTX_load_verify_locations(
                                   tls_.get(), options.trustAnchorsFile->c_str(), nullptr) == 1
                             : SSL_CTX_set_default_verify_paths(tls_.get()) == 1;
    if (!trusted) {
        tlsSetupError_ =
            "The trusted certificates couldn't be loaded: " + openSslText("unknown error");
        tls_.reset();
    }
}

HttpClient::~HttpClient() = default;

LookupResult<Bytes> HttpClient::fetch(std::string_view text, IPVersion version,
                                      const Cancellation* cancellation) const {
    const auto url = parseUrl(text);
    if (!url) {
        return PublicIPError::badURL();
    }
    if (url->isHttps() && !tls_) {
        return NetworkError::connection(tlsSetupError_);
    }
    if (cancellation != nullptr && cancellation->cancelled()) {
        return NetworkError::cancelled();
    }
    const auto deadline = Clock::now() + timeout_;
    auto addresses =
        resolver_->resolve(url->host, url->effectivePort(), version, deadline, cancellation);
    if (!addresses) {
        return addresses.error();
    }
    const SigpipeGuard sigpipeGuard;
    Connection connection(deadline, cancellation != nullptr ? cancellation->fd() : -1);
    if (auto error = connection.connect(addresses.value())) {
        return *error;
    }
    if (url->isHttps()) {
        if (auto error = connection.startTls(tls_.get(), *url)) {
            return *error;
        }
    }
    if (auto error = connection.send(httpRequestText(*url))) {
        return *error;
    }
    auto response = connection.receiveAll(kResponseLimit);
    if (!response) {
        return response.error();
    }
    return parseHttpResponse(response.value());
}

} // namespace wirelark
