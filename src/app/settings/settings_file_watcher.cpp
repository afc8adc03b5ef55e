#include "app/settings/settings_file_watcher.h"

#include "app/settings/app_settings.h"

#include <QDir>
#include <QFileInfo>

#include <chrono>

namespace wirelark {

namespace {

constexpr std::chrono::milliseconds kSettleTime{100};

} // namespace

SettingsFileWatcher::SettingsFileWatcher(AppSettings& settings, const QString& path,
                                         QObject* parent)
    : QObject(parent), settings_(settings), path_(path) {
    const QString folder = QFileInfo(path_).absolutePath();
    // The folder may not exist before the first change is stored; made now it can be watched.
    if (QDir().mkpath(folder)) {
        watcher_.addPath(folder);
    }
    watchFile();
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleTime);
    connect(&settle_, &QTimer::timeout, this, &SettingsFileWatcher::reload);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, &settle_,
            qOverload<>(&QTimer::start));
    connect(&watcher_, &QFileSystemWatcher::fileChanged, &settle_, qOverload<>(&QTimer::start));
}

// A replaced file is a new one, no longer watched.
void SettingsFileWatcher::watchFile() {
    if (QFileInfo::exists(path_) && !watcher_.files().contains(path_)) {
        watcher_.addPath(path_);
    }
}

void SettingsFileWatcher::reload() {
    watchFile();
    settings_.reload();
}

} // namespace wirelark
