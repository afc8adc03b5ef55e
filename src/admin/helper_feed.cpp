#include "admin/helper_feed.h"

#include <nlohmann/json.hpp>

namespace wirelark {

std::optional<std::string> helperFeedVersion(std::string_view json) {
    const nlohmann::json feed = nlohmann::json::parse(json, nullptr, false);
    if (!feed.is_object()) {
        return std::nullopt;
    }
    const auto version = feed.find("version");
    if (version == feed.end() || !version->is_string()) {
        return std::nullopt;
    }
    return version->get<std::string>();
}

} // namespace wirelark
