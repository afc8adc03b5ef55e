#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace wirelark {

// The program and arguments that open the desktop's network settings: the first installed of
// GNOME's, KDE's and NetworkManager's own editor. None when no such program is installed.
std::optional<std::vector<std::string>>
networkSettingsCommand(const std::function<bool(const std::string& program)>& isInstalled);

} // namespace wirelark
