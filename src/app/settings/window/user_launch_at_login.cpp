#include "app/settings/window/user_launch_at_login.h"

#include <QStandardPaths>

namespace wirelark {

LaunchAtLogin userLaunchAtLogin() {
    const QString configHome =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return LaunchAtLogin(std::filesystem::path(configHome.toStdString()) / "autostart" /
                             "wirelark.desktop",
                         WIRELARK_INSTALLED_PROGRAM);
}

} // namespace wirelark
