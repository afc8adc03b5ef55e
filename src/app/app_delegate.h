#pragma once

#include "app/admin/admin_client.h"
#include "app/bus/qt_bus_dispatcher.h"
#include "app/core/clock.h"
#include "app/model/network_model.h"
#include "app/notify/desktop_notifications.h"
#include "app/settings/app_settings.h"
#include "app/settings/launch_at_login.h"
#include "app/settings/settings_file_watcher.h"
#include "app/settings/updater.h"
#include "app/settings/window/settings_window_controller.h"
#include "app/settings/window/user_launch_at_login.h"
#include "app/tray/status_item_controller.h"
#include "netcore/history/recording_lock.h"

#include <QObject>

#include <memory>
#include <optional>
#include <string>

namespace wirelark {

// Wires the tray application together: the settings, the model with its history file, its
// change watcher and notifications, the status item, and the save of the histories before the
// process ends.
class AppDelegate : public QObject {
    Q_OBJECT

public:
    // `started` is when the process began on the system's monotonic clock, for the log line of
    // the first status image.
    explicit AppDelegate(double started, QObject* parent = nullptr);
    ~AppDelegate() override;

    // The start sequence; fails only when another process already records the history file.
    // Without a usable history folder it runs without recording.
    Expected<void, RecordingLockError> launch();
    // Saves the histories on the monitor's thread and waits for it; a failed save is ignored.
    void shutdown();

    NetworkModel* model() const { return model_.get(); }
    StatusItemController* statusController() const { return statusController_.get(); }
    // The admin helper's client, owned by the model; null before launch.
    AdminControls* admin() const { return admin_; }

private:
    std::unique_ptr<AdminClient> makeAdminClient() const;
    void logFirstImage();

    SystemClock clock_;
    double started_;
    bool firstImageLogged_ = false;
    AppSettings settings_;
    SettingsFileWatcher settingsWatcher_;
    std::optional<RecordingLock> recording_;
    std::unique_ptr<QtBusDispatcher> busDispatcher_;
    std::unique_ptr<DesktopNotifications> notifications_;
    AdminClient* admin_ = nullptr;
    std::unique_ptr<NetworkModel> model_;
    std::unique_ptr<StatusItemController> statusController_;
    // Without an update framework on Linux a check has nothing to start.
    Updater updater_{{}};
    LaunchAtLogin launchAtLogin_ = userLaunchAtLogin();
    std::unique_ptr<SettingsWindowController> settingsWindow_;
};

} // namespace wirelark
