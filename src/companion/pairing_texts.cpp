#include "companion/pairing_texts.h"

namespace wirelark {

namespace {

std::string countText(int64_t count, const char* unit) {
    return std::to_string(count) + " " + unit + (count == 1 ? "" : "s") + " ago";
}

} // namespace

std::string requestingUserText(std::optional<uint32_t> uid, const UserNameLookup& lookUp) {
    if (!uid) {
        return "Unknown user";
    }
    const std::string number = "uid " + std::to_string(*uid);
    const std::optional<std::string> name = lookUp(*uid);
    return name ? *name + " (" + number + ")" : number;
}

std::string requestedText(std::optional<std::chrono::sys_seconds> created,
                          std::chrono::sys_seconds now) {
    using namespace std::chrono;
    if (!created) {
        return "Unknown";
    }
    const seconds age = now - *created;
    if (age < minutes(1)) {
        return "Just now";
    }
    if (age < hours(1)) {
        return countText(duration_cast<minutes>(age).count(), "minute");
    }
    if (age < days(1)) {
        return countText(duration_cast<hours>(age).count(), "hour");
    }
    return countText(duration_cast<days>(age).count(), "day");
}

} // namespace wirelark
