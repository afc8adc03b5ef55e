#pragma once

#include "app/settings/app_settings.h"
#include "app/settings/launch_at_login.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;

namespace wirelark {

// Launch at login, inactive interfaces, the update interval, units and the tray's image.
class GeneralTab : public QWidget {
public:
    GeneralTab(AppSettings& settings, const LaunchAtLogin& launchAtLogin,
               QWidget* parent = nullptr);

protected:
    // The entry may have been changed outside the app since the tab was last shown.
    void showEvent(QShowEvent* event) override;

private:
    void setLaunchAtLogin(bool enabled);
    void showLaunchAtLogin();
    void showMenubarSources();

    AppSettings& settings_;
    const LaunchAtLogin& launchAtLogin_;
    QCheckBox* launchSwitch_;
    QLabel* loginError_;
    QComboBox* menubarSource_;
};

} // namespace wirelark
