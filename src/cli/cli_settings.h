#pragma once

#include "app/core/settings_data.h"

namespace wirelark::cli {

// The tray app's settings, so that the terminal shows the same interval, periods and units.
SettingsData storedSettings();

} // namespace wirelark::cli
