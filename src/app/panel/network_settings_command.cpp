#include "app/panel/network_settings_command.h"

namespace wirelark {

std::optional<std::vector<std::string>>
networkSettingsCommand(const std::function<bool(const std::string& program)>& isInstalled) {
    const std::vector<std::vector<std::string>> candidates = {
        {"gnome-control-center", "network"},
        {"systemsettings", "kcm_networkmanagement"},
        {"nm-connection-editor"},
    };
    for (const auto& command : candidates) {
        if (isInstalled(command.front())) {
            return command;
        }
    }
    return std::nullopt;
}

} // namespace wirelark
