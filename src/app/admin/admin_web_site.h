#pragma once

#include <string>
#include <string_view>

namespace wirelark {

// The maker's web site, where the helper is published.
inline constexpr std::string_view kMakerSiteHost = "wirelark.quillfern.com";

// The site's address, to which the paths below are appended.
inline std::string makerSiteURL() {
    return "https://" + std::string(kMakerSiteHost);
}
// The feed that names the newest helper version and its package, on the maker's site or
// another that stands in for it.
inline std::string helperFeedURL(const std::string& site = makerSiteURL()) {
    return site + "/helper.json";
}
// The page to download the helper and Wirelark Admin from.
inline std::string adminHelperPageURL() {
    return makerSiteURL() + "/admin-helper.html";
}

} // namespace wirelark
