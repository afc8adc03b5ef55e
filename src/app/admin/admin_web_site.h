#pragma once

#include <string>
#include <string_view>

namespace wirelark {

// The maker's web site, where the helper is published.
inline constexpr std::string_view kMakerSiteHost = "wirelark.quillfern.com";

// The feed that names the newest helper version.
inline std::string helperFeedURL() {
    return "https://" + std::string(kMakerSiteHost) + "/helper.json";
}
// The page to download the helper and Wirelark Admin from.
inline std::string adminHelperPageURL() {
    return "https://" + std::string(kMakerSiteHost) + "/admin-helper.html";
}

} // namespace wirelark
