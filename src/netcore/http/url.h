#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace wirelark {

// An absolute http or https URL, split into what a request needs.
struct Url {
    std::string scheme; // "http" or "https"
    std::string host;   // an IPv6 literal without its brackets
    std::optional<uint16_t> port;
    std::string path; // percent-encoded, may be empty
    std::optional<std::string> query;

    uint16_t effectivePort() const;
    bool isHttps() const { return scheme == "https"; }
    bool hostIsIPv6Literal() const;
    // The host as it stands in a Host header: an IPv6 literal goes back in brackets.
    std::string hostHeader() const;
    // The path ("/" when empty) and the query after a "?".
    std::string requestTarget() const;

    bool operator==(const Url&) const = default;
};

// Accepts only the schemes "http" and "https" (exactly so), a non-empty host, a port of at most
// 65535; characters that may not stand in a path or query are percent-encoded. The fragment is
// dropped.
std::optional<Url> parseUrl(std::string_view text);

} // namespace wirelark
