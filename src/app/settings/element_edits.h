#pragma once

#include "app/core/settings_data.h"

#include <optional>
#include <string>

namespace wirelark {

// Whether the interface shows the elements chosen for every interface.
bool usesDefaultElements(const SettingsData& settings, const std::string& key);
// Off gives the interface a copy of the defaults to edit; on drops its own choice.
void setUsesDefaultElements(SettingsData& settings, const std::string& key, bool useDefaults);
// Shows or hides one element in the set being edited: the defaults when there is no key, else
// the interface's override. An interface that uses the defaults is not changed.
void setElementShown(SettingsData& settings, const std::optional<std::string>& key,
                     InterfaceElement element, bool shown);

} // namespace wirelark
