#pragma once

#include "app/settings/app_settings.h"

#include <functional>

namespace wirelark {

// Applies one change to a copy of the record and stores it; an unchanged record stores nothing.
void editSettings(AppSettings& settings, const std::function<void(SettingsData&)>& change);

} // namespace wirelark
