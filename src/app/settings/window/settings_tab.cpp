#include "app/settings/window/settings_tab.h"

#include <cstddef>
#include <iterator>

namespace wirelark {

namespace {

struct TabLook {
    const char* label;
    const char* icon;
};

// In the order of the cases.
constexpr TabLook kLooks[] = {
    {"General", "preferences-system"},
    {"Elements", "format-justify-fill"},
    {"Statistics", "utilities-system-monitor"},
    {"Public IP", "applications-internet"},
    {"Notifications", "preferences-system-notifications"},
    {"Admin Helper", "security-high"},
    {"Updates", "system-software-update"},
};
static_assert(std::size(kLooks) == kSettingsTabs.size());

const TabLook& look(SettingsTab tab) {
    return kLooks[static_cast<std::size_t>(tab)];
}

} // namespace

QString label(SettingsTab tab) {
    return QString::fromUtf8(look(tab).label);
}

QString iconName(SettingsTab tab) {
    return QString::fromUtf8(look(tab).icon);
}

} // namespace wirelark
