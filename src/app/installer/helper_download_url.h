#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace wirelark {

// Whether a package URL from the feed lies under "/downloads/" of the maker's site `siteURL`
// (scheme, host and port alike) without climbing out of it through "..".
bool isMakerDownloadURL(std::string_view siteURL, std::string_view url);

// The file name a downloaded helper package is kept under, "WirelarkAdmin-" + version + ".deb";
// none for a version that is empty, long or holds anything but letters, digits and ".+~-" (the
// version comes from outside and must not reach outside the folder).
std::optional<std::string> helperPackageFileName(std::string_view version);

} // namespace wirelark
