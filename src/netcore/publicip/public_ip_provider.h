#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace wirelark {

// Where public addresses are looked up: two built-in services that answer GET "/ip" over HTTPS
// with the caller's address as plain text, or the user's own URL.
enum class PublicIPProvider { serviceA, serviceB, custom };

inline constexpr std::array kPublicIPProviders = {
    PublicIPProvider::serviceA, PublicIPProvider::serviceB, PublicIPProvider::custom};

// The stored name: "serviceA", "serviceB" or "custom".
std::string_view rawValue(PublicIPProvider provider);
std::optional<PublicIPProvider> publicIPProviderFromRawValue(std::string_view text);
// The name shown to the user: a built-in service's host name, or "Custom URL".
std::string_view title(PublicIPProvider provider);
// A built-in service's fixed lookup URL; none for custom.
std::optional<std::string> url(PublicIPProvider provider);

} // namespace wirelark
