#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace wirelark {

// The helper version published in the maker's feed: the string member "version" of a JSON
// object; other members are ignored. Absent for anything else, the feed being outside input.
std::optional<std::string> helperFeedVersion(std::string_view json);

} // namespace wirelark
