#include "netcore/history/history_location.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace wirelark {

namespace {

std::string_view environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::string homeFromPasswordDatabase() {
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 ||
        found == nullptr || found->pw_dir == nullptr) {
        return {};
    }
    return found->pw_dir;
}

} // namespace

std::optional<std::filesystem::path> historyFilePath(std::string_view xdgDataHome,
                                                     std::string_view home) {
    std::filesystem::path dataHome(xdgDataHome);
    // Relative values are to be ignored, as the XDG base directory rules say.
    if (!dataHome.is_absolute()) {
        const std::filesystem::path homePath(home);
        if (!homePath.is_absolute()) {
            return std::nullopt;
        }
        dataHome = homePath / ".local" / "share";
    }
    return dataHome / "Wirelark" / "history.plist";
}

std::optional<std::filesystem::path> defaultHistoryFilePath() {
    std::string home(environment("HOME"));
    if (home.empty()) {
        home = homeFromPasswordDatabase();
    }
    return historyFilePath(environment("XDG_DATA_HOME"), home);
}

} // namespace wirelark
