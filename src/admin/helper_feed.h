#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace wirelark {

// A helper release as the maker's feed names it: its version and where its package lies.
struct HelperFeedRelease {
    std::string version;
    std::string download;

    bool operator==(const HelperFeedRelease&) const = default;
};

// The helper version published in the maker's feed: the string member "version" of a JSON
// object; other members are ignored. Absent for anything else, the feed being outside input.
std::optional<std::string> helperFeedVersion(std::string_view json);

// The feed's string members "version" and "download", both required; other members are ignored.
std::optional<HelperFeedRelease> helperFeedRelease(std::string_view json);

} // namespace wirelark
