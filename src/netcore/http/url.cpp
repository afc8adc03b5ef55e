#include "netcore/http/url.h"

#include <arpa/inet.h>

namespace wirelark {
namespace {

bool isAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isUnreservedOrSubDelim(char c) {
    static constexpr std::string_view kOthers = "-._~!$&'()*+,;=";
    return isAlpha(c) || isDigit(c) || kOthers.find(c) != std::string_view::npos;
}

bool isRegNameChar(char c) {
    return isUnreservedOrSubDelim(c) || c == '%';
}

// Keeps what may stand in a path (or, with extra "?", a query) and encodes every other byte,
// so that nothing a user types can break the request line.
std::string percentEncode(std::string_view text, std::string_view extra) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        if (isUnreservedOrSubDelim(c) || c == '%' || c == ':' || c == '@' || c == '/' ||
            extra.find(c) != std::string_view::npos) {
            out += c;
        } else {
            const auto byte = static_cast<unsigned char>(c);
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        }
    }
    return out;
}

std::optional<uint16_t> parsePort(std::string_view text) {
    uint32_t value = 0;
    for (const char c : text) {
        if (!isDigit(c)) {
            return std::nullopt;
        }
        value = value * 10 + static_cast<uint32_t>(c - '0');
        if (value > 65535) {
            return std::nullopt;
        }
    }
    return static_cast<uint16_t>(value);
}

bool isIPv6Literal(const std::string& text) {
    in6_addr address;
    return inet_pton(AF_INET6, text.c_str(), &address) == 1;
}

} // namespace

uint16_t Url::effectivePort() const {
    return port.value_or(isHttps() ? 443 : 80);
}

bool Url::hostIsIPv6Literal() const {
    return host.find(':') != std::string::npos;
}

std::string Url::hostHeader() const {
    return hostIsIPv6Literal() ? "[" + host + "]" : host;
}

std::string Url::requestTarget() const {
    std::string target = path.empty() ? "/" : path;
    if (query) {
        target += '?';
        target += *query;
    }
    return target;
}

std::optional<Url> parseUrl(std::string_view text) {
    Url url;
    const auto colon = text.find(':');
    if (colon == std::string_view::npos) {
        return std::nullopt;
    }
    url.scheme = text.substr(0, colon);
    if (url.scheme != "http" && url.scheme != "https") {
        return std::nullopt;
    }
    text.remove_prefix(colon + 1);
    if (!text.starts_with("//")) {
        return std::nullopt;
    }
    text.remove_prefix(2);

    if (const auto hash = text.find('#'); hash != std::string_view::npos) {
        text = text.substr(0, hash);
    }
    const auto authorityEnd = text.find_first_of("/?");
    std::string_view authority = text.substr(0, authorityEnd);
    text.remove_prefix(authority.size());
    if (const auto at = authority.rfind('@'); at != std::string_view::npos) {
        authority.remove_prefix(at + 1); // user information is never sent
    }

    std::string_view portText;
    if (authority.starts_with('[')) {
        const auto close = authority.find(']');
        if (close == std::string_view::npos) {
            return std::nullopt;
        }
        url.host = authority.substr(1, close - 1);
        if (!isIPv6Literal(url.host)) {
            return std::nullopt;
        }
        const auto rest = authority.substr(close + 1);
        if (!rest.empty()) {
            if (rest[0] != ':') {
                return std::nullopt;
            }
            portText = rest.substr(1);
        }
    } else {
        const auto portColon = authority.find(':');
        url.host = authority.substr(0, portColon);
        if (portColon != std::string_view::npos) {
            portText = authority.substr(portColon + 1);
        }
        for (const char c : url.host) {
            if (!isRegNameChar(c)) {
                return std::nullopt;
            }
        }
    }
    if (url.host.empty()) {
        return std::nullopt;
    }
    if (!portText.empty()) {
        url.port = parsePort(portText);
        if (!url.port) {
            return std::nullopt;
        }
    }

    const auto question = text.find('?');
    url.path = percentEncode(text.substr(0, question), "");
    if (question != std::string_view::npos) {
        url.query = percentEncode(text.substr(question + 1), "?");
    }
    return url;
}

} // namespace wirelark
