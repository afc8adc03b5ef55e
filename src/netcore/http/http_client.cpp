#include "netcore/http/http_client.h"

#include "netcore/base/unique_fd.h"
#include "netcore/http/deadline_wait.h"
#include "netcore/http/tls_library.h"

#include <arpa/inet.h>
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

std::string openSslText(const TlsLibrary& ssl, const char* fallback) {
    const unsigned long code = ssl.peekLastError();
    if (code == 0) {
        return fallback;
    }
    char text[256];
    ssl.errorString(code, text, sizeof text);
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
            ssl_->connectionFree(tls_);
        }
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Tries the addresses in order; the error of the last one is the result when none answers.
    Expected<void, HttpError> connect(const std::vector<SocketAddress>& addresses);
    Expected<void, HttpError> startTls(const TlsLibrary& ssl, SSL_CTX* context, const Url& url);
    Expected<void, HttpError> send(std::string_view data);
    HttpResult<Bytes> receiveAll(std::size_t limit);

private:
    Expected<void, HttpError> wait(short events);
    // Turns the outcome of an OpenSSL call into: success (done), an error, or a wait that
    // passed (success, with `retry` set: try again).
    Expected<void, HttpError> tlsRetry(int result, bool& retry, const char* what);

    Clock::time_point deadline_;
    int cancelFd_;
    UniqueFd fd_;
    const TlsLibrary* ssl_ = nullptr;
    SSL* tls_ = nullptr;
};

Expected<void, HttpError> Connection::wait(short events) {
    return waitUntilReady(fd_.get(), events, deadline_, cancelFd_);
}

Expected<void, HttpError> Connection::connect(const std::vector<SocketAddress>& addresses) {
    HttpError failure = HttpError::connection("No address to connect to");
    for (const auto& address : addresses) {
        fd_.reset(); // the previous address's socket, before errno can be the new one's
        fd_.reset(socket(address.storage.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        if (!fd_) {
            return Unexpected(HttpError::connection(systemText(errno)));
        }
        int error = 0;
        if (::connect(fd_.get(), address.get(), address.length) < 0) {
            if (errno != EINPROGRESS) {
                error = errno;
            } else if (auto waited = wait(POLLOUT); !waited) {
                return waited; // the deadline covers every address together
            } else {
                socklen_t length = sizeof error;
                getsockopt(fd_.get(), SOL_SOCKET, SO_ERROR, &error, &length);
            }
        }
        if (error == 0) {
            return {};
        }
        failure = HttpError::connection("Couldn't connect to " + address.text() + ": " +
                                        systemText(error));
    }
    return Unexpected(std::move(failure));
}

Expected<void, HttpError> Connection::tlsRetry(int result, bool& retry, const char* what) {
    retry = false;
    if (result > 0) {
        return {};
    }
    const int error = ssl_->error(tls_, result);
    if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) {
        retry = true;
        return wait(error == SSL_ERROR_WANT_READ ? POLLIN : POLLOUT);
    }
    if (error == SSL_ERROR_SYSCALL && errno != 0) {
        return Unexpected(HttpError::connection(std::string(what) + ": " + systemText(errno)));
    }
    const long verified = ssl_->verifyResult(tls_);
    if (verified != X509_V_OK) {
        return Unexpected(
            HttpError::connection(std::string("The server's certificate isn't trusted: ") +
                                  ssl_->verifyErrorString(verified)));
    }
    return Unexpected(HttpError::connection(
        std::string(what) + ": " + openSslText(*ssl_, "the server closed the connection")));
}

Expected<void, HttpError> Connection::startTls(const TlsLibrary& ssl, SSL_CTX* context,
                                               const Url& url) {
    ssl_ = &ssl;
    ssl.clearError();
    tls_ = ssl.connectionNew(context);
    if (tls_ == nullptr || ssl.setFd(tls_, fd_.get()) != 1) {
        return Unexpected(HttpError::connection("The secure connection failed: " +
                                                openSslText(ssl, "out of memory")));
    }
    const bool literal = [&] {
        unsigned char buffer[sizeof(in6_addr)];
        return inet_pton(AF_INET, url.host.c_str(), buffer) == 1 ||
               inet_pton(AF_INET6, url.host.c_str(), buffer) == 1;
    }();
    // Names go in SNI and are matched against the certificate's names; addresses are matched
    // against its IP entries and never sent as SNI.
    const bool named =
        literal ? ssl.setExpectedAddress(ssl.verifyParameters(tls_), url.host.c_str()) == 1
                : ssl.setServerName(tls_, url.host.c_str()) == 1 &&
                      ssl.setExpectedHost(tls_, url.host.c_str()) == 1;
    if (!named) {
        return Unexpected(HttpError::connection(
            "The secure connection failed: " + openSslText(ssl, "the host name can't be checked")));
    }
    bool retry = true;
    while (retry) {
        ssl.clearError();
        errno = 0;
        if (auto done = tlsRetry(ssl.connect(tls_), retry, "The secure connection failed"); !done) {
            return done;
        }
    }
    return {};
}

Expected<void, HttpError> Connection::send(std::string_view data) {
    while (!data.empty()) {
        if (tls_ != nullptr) {
            ssl_->clearError();
            errno = 0;
            const int sent = ssl_->write(tls_, data.data(), static_cast<int>(data.size()));
            bool retry = false;
            if (auto done = tlsRetry(sent, retry, "Sending the request failed"); !done) {
                return done;
            }
            if (!retry) {
                data.remove_prefix(static_cast<std::size_t>(sent));
            }
            continue;
        }
        const ssize_t sent = ::send(fd_.get(), data.data(), data.size(), MSG_NOSIGNAL);
        if (sent >= 0) {
            data.remove_prefix(static_cast<std::size_t>(sent));
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            if (auto waited = wait(POLLOUT); !waited) {
                return waited;
            }
        } else if (errno != EINTR) {
            return Unexpected(
                HttpError::connection("Sending the request failed: " + systemText(errno)));
        }
    }
    return {};
}

HttpResult<Bytes> Connection::receiveAll(std::size_t limit) {
    Bytes buffer;
    while (buffer.size() <= limit) {
        const std::size_t start = buffer.size();
        buffer.resize(start + kReadSize);
        ssize_t received;
        if (tls_ != nullptr) {
            ssl_->clearError();
            errno = 0;
            const int result = ssl_->read(tls_, buffer.data() + start, static_cast<int>(kReadSize));
            received = result;
            if (result <= 0 && ssl_->error(tls_, result) == SSL_ERROR_ZERO_RETURN) {
                received = 0;
            } else if (result <= 0) {
                received = -1;
                bool retry = false;
                if (auto done = tlsRetry(result, retry, "Reading the response failed"); !done) {
                    return Unexpected(std::move(done).error());
                }
            }
        } else {
            received = ::recv(fd_.get(), buffer.data() + start, kReadSize, 0);
            if (received < 0 && errno != EINTR) {
                if (errno != EAGAIN && errno != EWOULDBLOCK) {
                    return Unexpected(
                        HttpError::connection("Reading the response failed: " + systemText(errno)));
                }
                if (auto waited = wait(POLLIN); !waited) {
                    return Unexpected(std::move(waited).error());
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
    // A context exists only once the library is loaded.
    (*tlsLibrary())->contextFree(context);
}

HttpClient::HttpClient(HttpClientOptions options)
    : timeout_(options.timeout), responseLimit_(options.responseLimit),
      resolver_(std::move(options.resolver)),
      trustAnchorsFile_(std::move(options.trustAnchorsFile)) {
    if (!resolver_) {
        resolver_ = std::make_shared<SystemResolver>();
    }
}

// Made when first needed: loading the system's trusted certificates costs a resident megabyte or
// more, which a client that never fetches (the tray app's, most of the time) should not carry.
ssl_ctx_st* HttpClient::tlsContext() const {
    tlsSetup_.run([this] {
        const auto& loaded = tlsLibrary();
        if (!loaded) {
            tlsSetupError_ = loaded.error();
            return;
        }
        const TlsLibrary& ssl = **loaded;
        ssl.clearError();
        tls_.reset(ssl.contextNew(ssl.clientMethod()));
        if (!tls_) {
            tlsSetupError_ = "TLS isn't available: " + openSslText(ssl, "out of memory");
            return;
        }
        ssl.setMinimumVersion(tls_.get(), TLS1_2_VERSION);
        ssl.contextSetVerify(tls_.get(), SSL_VERIFY_PEER, nullptr);
        // Servers that answer "Connection: close" often skip the closing TLS alert.
        ssl.contextSetOptions(tls_.get(), SSL_OP_IGNORE_UNEXPECTED_EOF);
        const bool trusted = trustAnchorsFile_
                                 ? ssl.contextLoadVerifyLocations(
                                       tls_.get(), trustAnchorsFile_->c_str(), nullptr) == 1
                                 : ssl.contextSetDefaultVerifyPaths(tls_.get()) == 1;
        if (!trusted) {
            tlsSetupError_ =
                "The trusted certificates couldn't be loaded: " + openSslText(ssl, "unknown error");
            tls_.reset();
        }
    });
    return tls_.get();
}

HttpClient::~HttpClient() = default;

HttpResult<Bytes> HttpClient::fetch(std::string_view text, IPVersion version,
                                    const Cancellation* cancellation) const {
    const auto url = parseUrl(text);
    if (!url) {
        return Unexpected(HttpError::badURL());
    }
    ssl_ctx_st* const tls = url->isHttps() ? tlsContext() : nullptr;
    if (url->isHttps() && tls == nullptr) {
        return Unexpected(HttpError::connection(tlsSetupError_));
    }
    if (cancellation != nullptr && cancellation->cancelled()) {
        return Unexpected(HttpError::cancelled());
    }
    const auto deadline = Clock::now() + timeout_;
    auto addresses =
        resolver_->resolve(url->host, url->effectivePort(), version, deadline, cancellation);
    if (!addresses) {
        return Unexpected(std::move(addresses).error());
    }
    const SigpipeGuard sigpipeGuard;
    Connection connection(deadline, cancellation != nullptr ? cancellation->fd() : -1);
    if (auto connected = connection.connect(*addresses); !connected) {
        return Unexpected(std::move(connected).error());
    }
    if (url->isHttps()) {
        if (auto secured = connection.startTls(**tlsLibrary(), tls, *url); !secured) {
            return Unexpected(std::move(secured).error());
        }
    }
    if (auto sent = connection.send(httpRequestText(*url)); !sent) {
        return Unexpected(std::move(sent).error());
    }
    auto response = connection.receiveAll(responseLimit_);
    if (!response) {
        return response;
    }
    return parseHttpResponse(*response);
}

HttpResult<Bytes> fetchOverEitherFamily(const HttpTransport& http, std::string_view url,
                                        const Cancellation* cancellation) {
    auto body = http.fetch(url, IPVersion::v4, cancellation);
    if (!body) {
        body = http.fetch(url, IPVersion::v6, cancellation);
    }
    return body;
}

} // namespace wirelark
