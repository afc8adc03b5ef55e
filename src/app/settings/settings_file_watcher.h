#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

namespace wirelark {

class AppSettings;

// Reloads the settings when another process changes their file (`wirelark-cli settings
// --import`), so that the next change made here does not overwrite what it stored. The file is
// replaced rather than written in place, so its folder is watched too.
class SettingsFileWatcher : public QObject {
    Q_OBJECT

public:
    SettingsFileWatcher(AppSettings& settings, const QString& path, QObject* parent = nullptr);

private:
    void watchFile();
    void reload();

    AppSettings& settings_;
    QString path_;
    QFileSystemWatcher watcher_;
    QTimer settle_; // a write is a burst of events
};

} // namespace wirelark
