#include "admin/helper_feed.h"

#include <nlohmann/json.hpp>

namespace wirelark {

namespace {

std::optional<std::string> stringMember(const nlohmann::json& object, const char* name) {
    const auto member = object.find(name);
    if (member == object.end() || !member->is_string()) {
        return std::nullopt;
    }
    return member->get<std::string>();
}

std::optional<nlohmann::json> feedObject(std::string_view json) {
    nlohmann::json feed = nlohmann::json::parse(json, nullptr, false);
    if (!feed.is_object()) {
        return std::nullopt;
    }
    return feed;
}

} // namespace

std::optional<std::string> helperFeedVersion(std::string_view json) {
    const auto feed = feedObject(json);
    return feed ? stringMember(*feed, "version") : std::nullopt;
}

std::optional<HelperFeedRelease> helperFeedRelease(std::string_view json) {
    const auto feed = feedObject(json);
    if (!feed) {
        return std::nullopt;
    }
    auto version = stringMember(*feed, "version");
    auto download = stringMember(*feed, "download");
    if (!version || !download) {
        return std::nullopt;
    }
    return HelperFeedRelease{std::move(*version), std::move(*download)};
}

} // namespace wirelark
