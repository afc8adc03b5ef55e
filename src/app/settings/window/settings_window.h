#pragma once

#include "app/admin/admin_controls.h"
#include "app/model/network_model.h"
#include "app/settings/app_settings.h"
#include "app/settings/launch_at_login.h"
#include "app/settings/updater.h"
#include "app/settings/window/settings_tab.h"

#include <QWidget>

class QTabWidget;

namespace wirelark {

// What the settings window edits and shows; each lives longer than the window.
struct SettingsWindowSources {
    AppSettings& settings;
    NetworkModel& model;
    AdminControls& admin;
    Updater& updater;
    const LaunchAtLogin& launchAtLogin;
};

// The app's one ordinary window: a tab for each group of settings. Closing it only hides it.
class SettingsWindow : public QWidget {
public:
    SettingsWindow(const SettingsWindowSources& sources, SettingsTab initialTab,
                   QWidget* parent = nullptr);

    QSize sizeHint() const override;
    SettingsTab currentTab() const;
    void selectTab(SettingsTab tab);
    // The page of one tab.
    QWidget* page(SettingsTab tab) const;

private:
    QTabWidget* tabs_;
};

} // namespace wirelark
