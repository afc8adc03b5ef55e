#pragma once

#include "netcore/base/cancellation.h"
#include "netcore/http/http_client.h"
#include "netcore/publicip/public_ip_error.h"

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <string_view>

namespace wirelark {

struct PublicIPResult {
    std::optional<std::string> ipv4;
    std::optional<std::string> ipv6;
    // Present only when neither family produced an address.
    std::optional<std::string> error;

    bool operator==(const PublicIPResult&) const = default;
};

// {"ipv4": ..., "ipv6": ..., "error": ...} with absent members left out.
nlohmann::ordered_json toJson(const PublicIPResult& result);

// Looks up the public address once over IPv4 and once over IPv6, at the same time.
class PublicIPService {
public:
    explicit PublicIPService(const HttpTransport& transport) : transport_(transport) {}

    // Never fails as a call: when both families fail, the result carries the IPv4 error.
    // An empty key path means none.
    PublicIPResult lookup(std::string_view url, std::string_view jsonKeyPath,
                          const Cancellation* cancellation = nullptr) const;

    // One family's address, or why there is none.
    LookupResult<std::string> lookupFamily(std::string_view url, std::string_view jsonKeyPath,
                                           IPVersion version,
                                           const Cancellation* cancellation = nullptr) const;

private:
    const HttpTransport& transport_;
};

} // namespace wirelark
