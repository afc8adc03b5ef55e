#include "app/settings/element_edits.h"

namespace wirelark {

bool usesDefaultElements(const SettingsData& settings, const std::string& key) {
    return !settings.elementOverrides.contains(key);
}

void setUsesDefaultElements(SettingsData& settings, const std::string& key, bool useDefaults) {
    if (useDefaults) {
        settings.elementOverrides.erase(key);
    } else if (!settings.elementOverrides.contains(key)) {
        settings.elementOverrides[key] = settings.elementDefaults;
    }
}

void setElementShown(SettingsData& settings, const std::optional<std::string>& key,
                     InterfaceElement element, bool shown) {
    InterfaceElementSet* edited = &settings.elementDefaults;
    if (key) {
        const auto found = settings.elementOverrides.find(*key);
        if (found == settings.elementOverrides.end()) {
            return;
        }
        edited = &found->second;
    }
    if (shown) {
        edited->insert(element);
    } else {
        edited->erase(element);
    }
}

} // namespace wirelark
