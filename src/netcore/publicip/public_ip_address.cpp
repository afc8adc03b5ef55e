#include "netcore/publicip/public_ip_address.h"

#include <arpa/inet.h>
#include <nlohmann/json.hpp>

namespace wirelark {
namespace {

constexpr std::string_view kWhiteSpace = " \t\n\r\v\f";

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(kWhiteSpace);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kWhiteSpace) - first + 1);
}

std::optional<std::string> addressIn(const nlohmann::json& value) {
    if (value.is_string() && isValidIPAddress(value.get_ref<const std::string&>())) {
        return value.get<std::string>();
    }
    return std::nullopt;
}

std::optional<std::string> atKeyPath(const nlohmann::json& document, std::string_view keyPath) {
    const nlohmann::json* current = &document;
    while (!keyPath.empty()) {
        const auto dot = keyPath.find('.');
        const auto key = keyPath.substr(0, dot);
        keyPath.remove_prefix(dot == std::string_view::npos ? keyPath.size() : dot + 1);
        if (key.empty()) {
            continue; // ".." counts as one dot; leading and trailing dots are ignored
        }
        if (!current->is_object()) {
            return std::nullopt;
        }
        const auto found = current->find(key);
        if (found == current->end()) {
            return std::nullopt;
        }
        current = &*found;
    }
    return addressIn(*current);
}

std::optional<std::string> underFallbackKey(const nlohmann::json& document) {
    if (!document.is_object()) {
        return std::nullopt;
    }
    for (const auto key : kPublicIPFallbackKeys) {
        const auto found = document.find(key);
        if (found == document.end()) {
            continue;
        }
        if (auto address = addressIn(*found)) {
            return address;
        }
    }
    return std::nullopt;
}

} // namespace

bool isValidIPAddress(std::string_view text) {
    // inet_pton stops at a NUL, so an embedded one would hide whatever follows it.
    if (text.find('\0') != std::string_view::npos || text.size() > INET6_ADDRSTRLEN) {
        return false;
    }
    const std::string terminated(text);
    unsigned char buffer[sizeof(in6_addr)];
    return inet_pton(AF_INET, terminated.c_str(), buffer) == 1 ||
           inet_pton(AF_INET6, terminated.c_str(), buffer) == 1;
}

std::optional<std::string> extractPublicIPAddress(std::span<const uint8_t> body,
                                                  std::string_view keyPath) {
    const std::string_view text(reinterpret_cast<const char*>(body.data()), body.size());
    if (const auto bare = trimmed(text); isValidIPAddress(bare)) {
        return std::string(bare);
    }
    const auto document = nlohmann::json::parse(text, nullptr, false);
    if (!document.is_object() && !document.is_array()) {
        return std::nullopt; // not JSON, or JSON without a container at the top
    }
    return keyPath.empty() ? underFallbackKey(document) : atKeyPath(document, keyPath);
}

} // namespace wirelark
