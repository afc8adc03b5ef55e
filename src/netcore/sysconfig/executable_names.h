#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace wirelark {

// Names an executable the way a person knows it: system programs by their file name, installed
// applications by the name of the desktop entry that starts them or their folder under /opt.
class ExecutableNames {
public:
    explicit ExecutableNames(std::vector<std::filesystem::path> applicationDirectories);

    // The XDG application folders of this user, most important first ($XDG_DATA_HOME, then
    // $XDG_DATA_DIRS, each with "applications" appended).
    static std::vector<std::filesystem::path> xdgApplicationDirectories();

    // Empty for an empty path. Reads the desktop entries once, on the first call that needs them.
    std::string displayName(const std::string& path);

private:
    const std::map<std::string, std::string>& desktopNames();

    std::vector<std::filesystem::path> applicationDirectories_;
    std::optional<std::map<std::string, std::string>> desktopNames_;
};

} // namespace wirelark
