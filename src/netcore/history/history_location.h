#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace wirelark {

// Wirelark/history.plist under $XDG_DATA_HOME, or under ~/.local/share when that is unset,
// empty or relative. Nothing when neither gives an absolute folder.
std::optional<std::filesystem::path> historyFilePath(std::string_view xdgDataHome,
                                                     std::string_view home);

// The same from this process's environment (HOME, else the password database).
std::optional<std::filesystem::path> defaultHistoryFilePath();

} // namespace wirelark
