#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace wirelark {

// Keys tried, in this order, in a JSON object answer when no key path is given.
inline constexpr std::string_view kPublicIPFallbackKeys[] = {"ip",    "ip_addr",   "address",
                                                             "query", "ipAddress", "origin"};

// True for an IPv4 address in dotted decimal or an IPv6 address in its text forms.
bool isValidIPAddress(std::string_view text);

// The address in a lookup answer: the whole trimmed body, or else a string in a JSON answer,
// found at the dotted key path or, without one, under the first fallback key that holds one.
std::optional<std::string> extractPublicIPAddress(std::span<const uint8_t> body,
                                                  std::string_view keyPath);

} // namespace wirelark
