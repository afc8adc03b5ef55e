#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace wirelark {

// A user's login name, or absent when the uid belongs to no one.
using UserNameLookup = std::function<std::optional<std::string>(uint32_t uid)>;

// Who asked: "alice (uid 1000)", "uid 1000" for a uid without a name, "Unknown user" when the
// helper did not say.
std::string requestingUserText(std::optional<uint32_t> uid, const UserNameLookup& lookUp);

// How long ago the request was made, as "Just now", "4 minutes ago", "2 hours ago" or
// "3 days ago"; a time ahead of `now` (clocks apart) counts as just now.
std::string requestedText(std::optional<std::chrono::sys_seconds> created,
                          std::chrono::sys_seconds now);

} // namespace wirelark
