#pragma once

#include "netcore/base/expected.h"
#include "netcore/http/http_error.h"

#include <string>
#include <utility>
#include <variant>

namespace wirelark {

// The lookup's own failures, each with the text the user sees.
class PublicIPError {
public:
    enum class Code { http, badURL, malformed, noAddress };

    static PublicIPError http(int status) { return PublicIPError(Code::http, status); }
    static PublicIPError badURL() { return PublicIPError(Code::badURL); }
    static PublicIPError malformed() { return PublicIPError(Code::malformed); }
    static PublicIPError noAddress() { return PublicIPError(Code::noAddress); }

    Code code() const { return code_; }
    // The HTTP status of an `http` error, 0 otherwise.
    int status() const { return status_; }
    std::string description() const;

    bool operator==(const PublicIPError&) const = default;

private:
    explicit PublicIPError(Code code, int status = 0) : code_(code), status_(status) {}

    Code code_;
    int status_;
};

// A failure of the connection itself: its text comes from the system (or OpenSSL) at the time.
struct NetworkError {
    enum class Code { timedOut, cancelled, connection };

    Code code;
    std::string description;

    static NetworkError timedOut() { return {Code::timedOut, "The request timed out."}; }
    static NetworkError cancelled() { return {Code::cancelled, "The lookup was cancelled."}; }
    static NetworkError connection(std::string text) { return {Code::connection, std::move(text)}; }

    bool operator==(const NetworkError&) const = default;
};

using LookupError = std::variant<PublicIPError, NetworkError>;

// What the lookup reports for a failed fetch: what the server sent (or the URL) becomes the
// lookup's own error, a failed connection keeps the system's text.
LookupError lookupErrorFrom(const HttpError& error);

std::string describe(const LookupError& error);

// A value, or the reason there is none.
template <typename T>
using LookupResult = Expected<T, LookupError>;

} // namespace wirelark
