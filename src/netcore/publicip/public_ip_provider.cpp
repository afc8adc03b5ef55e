#include "netcore/publicip/public_ip_provider.h"

namespace wirelark {
namespace {

struct ProviderInfo {
    PublicIPProvider provider;
    std::string_view rawValue;
    std::string_view title;
};

// Both services answer over IPv4 and IPv6; the titles are their host names.
constexpr ProviderInfo kInfo[] = {
    {PublicIPProvider::serviceA, "serviceA", "ifconfig.co"},
    {PublicIPProvider::serviceB, "serviceB", "ifconfig.io"},
    {PublicIPProvider::custom, "custom", "Custom URL"},
};

const ProviderInfo& info(PublicIPProvider provider) {
    return kInfo[static_cast<std::size_t>(provider)];
}

} // namespace

std::string_view rawValue(PublicIPProvider provider) {
    return info(provider).rawValue;
}

std::optional<PublicIPProvider> publicIPProviderFromRawValue(std::string_view text) {
    for (const auto& entry : kInfo) {
        if (entry.rawValue == text) {
            return entry.provider;
        }
    }
    return std::nullopt;
}

std::string_view title(PublicIPProvider provider) {
    return info(provider).title;
}

std::optional<std::string> url(PublicIPProvider provider) {
    if (provider == PublicIPProvider::custom) {
        return std::nullopt;
    }
    return "https://" + std::string(info(provider).title) + "/ip";
}

} // namespace wirelark
