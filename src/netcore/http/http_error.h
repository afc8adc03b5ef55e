#pragma once

#include "netcore/base/expected.h"

#include <string>
#include <utility>

namespace wirelark {

// Why an HTTP exchange produced no body. The transport's failures (timedOut, cancelled,
// connection) come from the socket, the resolver or TLS; the others from the URL or from what the
// server sent. The texts users see are chosen by whoever asked (the public-address lookup maps
// these into its own); description() is for logs and tests.
class HttpError {
public:
    enum class Code {
        timedOut,   // the exchange's deadline passed
        cancelled,  // its Cancellation fired
        connection, // resolving, connecting, the TLS handshake, sending or reading failed
        badURL,     // no absolute http or https URL
        status,     // the server answered with a status outside 2xx
        malformed,  // the response, or its chunked body, cannot be read
    };

    static HttpError timedOut() { return HttpError(Code::timedOut); }
    static HttpError cancelled() { return HttpError(Code::cancelled); }
    // `detail` is the whole text: what failed and the system's or OpenSSL's reason.
    static HttpError connection(std::string detail) {
        return HttpError(Code::connection, 0, std::move(detail));
    }
    static HttpError badURL() { return HttpError(Code::badURL); }
    static HttpError httpStatus(int status) { return HttpError(Code::status, status); }
    static HttpError malformed() { return HttpError(Code::malformed); }

    Code code() const { return code_; }
    // The HTTP status of a `status` error (0 when the status line had none), 0 otherwise.
    int status() const { return status_; }
    // The text of a `connection` error, empty otherwise.
    const std::string& detail() const { return detail_; }
    std::string description() const;

    bool operator==(const HttpError&) const = default;

private:
    explicit HttpError(Code code, int status = 0, std::string detail = {})
        : code_(code), status_(status), detail_(std::move(detail)) {}

    Code code_;
    int status_;
    std::string detail_;
};

template <typename T>
using HttpResult = Expected<T, HttpError>;

} // namespace wirelark
