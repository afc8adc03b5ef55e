#include "netcore/sysconfig/executable_names.h"

#include "netcore/sysconfig/desktop_entry.h"

#include <unistd.h>

#include <array>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string_view>

namespace wirelark {

namespace fs = std::filesystem;

namespace {

constexpr std::array<std::string_view, 4> kSystemPrefixes = {"/usr/", "/bin/", "/sbin/", "/lib/"};
constexpr std::uintmax_t kLargestDesktopEntry = 256 * 1024;

std::string lastComponent(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::vector<std::string> splitList(const char* value, const char* fallback) {
    std::vector<std::string> items;
    std::stringstream stream(value != nullptr && *value != '\0' ? value : fallback);
    for (std::string item; std::getline(stream, item, ':');) {
        if (!item.empty()) {
            items.push_back(item);
        }
    }
    return items;
}

// The file a desktop entry's program word starts: an absolute path, or the first match on PATH.
std::optional<std::string> resolveProgram(const std::string& program) {
    std::error_code error;
    if (program.find('/') != std::string::npos) {
        const auto canonical = fs::canonical(program, error);
        return error ? program : canonical.string();
    }
    for (const auto& folder : splitList(std::getenv("PATH"), "/usr/local/bin:/usr/bin:/bin")) {
        const fs::path candidate = fs::path(folder) / program;
        if (access(candidate.c_str(), X_OK) == 0) {
            const auto canonical = fs::canonical(candidate, error);
            if (!error) {
                return canonical.string();
            }
        }
    }
    return std::nullopt;
}

} // namespace

ExecutableNames::ExecutableNames(std::vector<fs::path> applicationDirectories)
    : applicationDirectories_(std::move(applicationDirectories)) {}

std::vector<fs::path> ExecutableNames::xdgApplicationDirectories() {
    std::vector<fs::path> folders;
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    if (dataHome != nullptr && *dataHome != '\0') {
        folders.push_back(fs::path(dataHome) / "applications");
    } else if (home != nullptr && *home != '\0') {
        folders.push_back(fs::path(home) / ".local/share/applications");
    }
    for (const auto& folder :
         splitList(std::getenv("XDG_DATA_DIRS"), "/usr/local/share:/usr/share")) {
        folders.push_back(fs::path(folder) / "applications");
    }
    return folders;
}

const std::map<std::string, std::string>& ExecutableNames::desktopNames() {
    if (desktopNames_) {
        return *desktopNames_;
    }
    desktopNames_.emplace();
    // A desktop file id (its path below the folder) in an earlier folder hides later ones.
    std::set<fs::path> seenIds;
    for (const auto& folder : applicationDirectories_) {
        std::error_code error;
        fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied,
                                            error);
        for (const fs::recursive_directory_iterator end; !error && it != end; it.increment(error)) {
            const auto& file = it->path();
            std::error_code sizeError;
            if (file.extension() != ".desktop" || !it->is_regular_file(sizeError) ||
                it->file_size(sizeError) > kLargestDesktopEntry || sizeError ||
                !seenIds.insert(file.lexically_relative(folder)).second) {
                continue;
            }
            std::ifstream stream(file, std::ios::binary);
            std::stringstream text;
            text << stream.rdbuf();
            const auto entry = parseDesktopEntry(text.str());
            if (entry.hidden || !entry.name || entry.name->empty()) {
                continue;
            }
            for (const auto& command : {entry.exec, entry.tryExec}) {
                const auto program = command ? execProgram(*command) : std::nullopt;
                const auto resolved = program ? resolveProgram(*program) : std::nullopt;
                if (resolved) {
                    desktopNames_->emplace(*resolved, *entry.name);
                }
            }
        }
    }
    return *desktopNames_;
}

std::string ExecutableNames::displayName(const std::string& path) {
    if (path.empty()) {
        return {};
    }
    for (const auto prefix : kSystemPrefixes) {
        if (path.starts_with(prefix)) {
            return lastComponent(path);
        }
    }
    const auto& names = desktopNames();
    if (const auto it = names.find(path); it != names.end()) {
        return it->second;
    }
    constexpr std::string_view kOpt = "/opt/";
    if (path.starts_with(kOpt)) {
        const size_t slash = path.find('/', kOpt.size());
        if (slash != std::string::npos && slash > kOpt.size()) {
            return path.substr(kOpt.size(), slash - kOpt.size());
        }
    }
    return lastComponent(path);
}

} // namespace wirelark
