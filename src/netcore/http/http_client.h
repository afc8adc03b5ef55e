#pragma once

#include "netcore/base/cancellation.h"
#include "netcore/base/once.h"
#include "netcore/http/address_resolver.h"
#include "netcore/http/http_message.h"

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

struct ssl_ctx_st;

namespace wirelark {

// One HTTP GET over one address family.
class HttpTransport {
public:
    virtual ~HttpTransport() = default;
    // The body of a 2xx answer to a GET of url, fetched only over that family.
    virtual HttpResult<Bytes> fetch(std::string_view url, IPVersion version,
                                    const Cancellation* cancellation = nullptr) const = 0;
};

// The response limit unless one is chosen.
inline constexpr std::size_t kDefaultHttpResponseLimit = 1'000'000;

// The body fetched over IPv4, else over IPv6 when IPv4 brought none.
HttpResult<Bytes> fetchOverEitherFamily(const HttpTransport& http, std::string_view url,
                                        const Cancellation* cancellation = nullptr);

struct HttpClientOptions {
    // The limit on the whole exchange: connecting, the TLS handshake, sending and reading.
    std::chrono::milliseconds timeout{15'000};
    // How many bytes of response are read before the rest is left unread; large downloads
    // raise it.
    std::size_t responseLimit = kDefaultHttpResponseLimit;
    // A PEM file of authorities trusted instead of the system's; the server is verified either
    // way.
    std::optional<std::string> trustAnchorsFile = std::nullopt;
    // Null means the system resolver.
    std::shared_ptr<const AddressResolver> resolver = nullptr;
};

// A small HTTP/1.1 client: one connection per request, no redirects, no keep-alive, no proxies.
// It reads until the server closes or sends more than the response limit (a million bytes
// unless chosen). Safe to use from several threads at once.
class HttpClient : public HttpTransport {
public:
    static constexpr std::size_t kResponseLimit = kDefaultHttpResponseLimit;

    explicit HttpClient(HttpClientOptions options = {});
    ~HttpClient() override;
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    HttpResult<Bytes> fetch(std::string_view url, IPVersion version,
                            const Cancellation* cancellation = nullptr) const override;

private:
    struct TlsContextDeleter {
        void operator()(ssl_ctx_st* context) const;
    };

    // The context for https, made on the first https request; null when it could not be made.
    ssl_ctx_st* tlsContext() const;

    std::chrono::milliseconds timeout_;
    std::size_t responseLimit_;
    std::shared_ptr<const AddressResolver> resolver_;
    std::optional<std::string> trustAnchorsFile_;
    mutable Once tlsSetup_;
    mutable std::unique_ptr<ssl_ctx_st, TlsContextDeleter> tls_;
    mutable std::string tlsSetupError_;
};

} // namespace wirelark
