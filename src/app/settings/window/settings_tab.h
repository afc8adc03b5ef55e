#pragma once

#include <QIcon>
#include <QString>

#include <array>

namespace wirelark {

// The settings window's tabs, in display order.
enum class SettingsTab {
    general,
    elements,
    statistics,
    publicIP,
    notifications,
    adminHelper,
    updates
};

inline constexpr std::array kSettingsTabs{
    SettingsTab::general,  SettingsTab::elements,      SettingsTab::statistics,
    SettingsTab::publicIP, SettingsTab::notifications, SettingsTab::adminHelper,
    SettingsTab::updates,
};

QString label(SettingsTab tab);
// The freedesktop icon-theme name of the tab's icon.
QString iconName(SettingsTab tab);
// The theme's icon of that name, else one of the widget style's own.
QIcon icon(SettingsTab tab);

} // namespace wirelark
