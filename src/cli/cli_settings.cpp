#include "cli/cli_settings.h"

#include "app/settings/settings_storage.h"

namespace wirelark::cli {

SettingsData storedSettings() {
    const auto stored = IniSettingsStorage().read();
    return stored ? decodeSettings(*stored) : SettingsData{};
}

} // namespace wirelark::cli
