#include "app/settings/window/settings_tab.h"

#include <QApplication>
#include <QStyle>

#include <cstddef>
#include <iterator>

namespace wirelark {

namespace {

struct TabLook {
    const char* label;
    const char* icon;
    // For desktops without an icon theme.
    QStyle::StandardPixmap fallback;
};

// In the order of the cases.
constexpr TabLook kLooks[] = {
    {"General", "preferences-system", QStyle::SP_ComputerIcon},
    {"Elements", "format-justify-fill", QStyle::SP_FileDialogDetailedView},
    {"Statistics", "utilities-system-monitor", QStyle::SP_FileDialogInfoView},
    {"Public IP", "applications-internet", QStyle::SP_DriveNetIcon},
    {"Notifications", "preferences-system-notifications", QStyle::SP_MessageBoxInformation},
    {"Admin Helper", "security-high", QStyle::SP_DialogYesButton},
    {"Updates", "system-software-update", QStyle::SP_ArrowDown},
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

QIcon icon(SettingsTab tab) {
    return QIcon::fromTheme(iconName(tab), QApplication::style()->standardIcon(look(tab).fallback));
}

} // namespace wirelark
