#include "netcore/publicip/public_ip_service.h"

#include "netcore/publicip/public_ip_address.h"

#include <thread>

namespace wirelark {

nlohmann::ordered_json toJson(const PublicIPResult& result) {
    nlohmann::ordered_json object = nlohmann::ordered_json::object();
    const auto put = [&](const char* key, const std::optional<std::string>& value) {
        if (value) {
            object[key] = *value;
        }
    };
    put("ipv4", result.ipv4);
    put("ipv6", result.ipv6);
    put("error", result.error);
    return object;
}

LookupResult<std::string> PublicIPService::lookupFamily(std::string_view url,
                                                        std::string_view jsonKeyPath,
                                                        IPVersion version,
                                                        const Cancellation* cancellation) const {
    const auto body = transport_.fetch(url, version, cancellation);
    if (!body) {
        return Unexpected(lookupErrorFrom(body.error()));
    }
    if (auto address = extractPublicIPAddress(*body, jsonKeyPath)) {
        return std::move(*address);
    }
    return Unexpected(PublicIPError::noAddress());
}

PublicIPResult PublicIPService::lookup(std::string_view url, std::string_view jsonKeyPath,
                                       const Cancellation* cancellation) const {
    std::optional<LookupResult<std::string>> v4;
    std::optional<LookupResult<std::string>> v6;
    {
        const std::jthread v6Lookup(
            [&] { v6.emplace(lookupFamily(url, jsonKeyPath, IPVersion::v6, cancellation)); });
        v4.emplace(lookupFamily(url, jsonKeyPath, IPVersion::v4, cancellation));
    } // joins the IPv6 lookup

    PublicIPResult result;
    if (*v4) {
        result.ipv4 = v4->value();
    }
    if (*v6) {
        result.ipv6 = v6->value();
    }
    if (!*v4 && !*v6) {
        result.error = describe(v4->error());
    }
    return result;
}

} // namespace wirelark
