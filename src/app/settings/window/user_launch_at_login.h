#pragma once

#include "app/settings/launch_at_login.h"

namespace wirelark {

// This user's autostart entry for the installed app, under $XDG_CONFIG_HOME (else ~/.config).
LaunchAtLogin userLaunchAtLogin();

} // namespace wirelark
