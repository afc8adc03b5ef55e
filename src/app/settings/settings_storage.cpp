#include "app/settings/settings_storage.h"

#include <QByteArray>
#include <QSettings>
#include <QStandardPaths>

namespace wirelark {

namespace {

constexpr auto kKey = "settings";

QString defaultPath() {
    // Honours $XDG_CONFIG_HOME, falling back to ~/.config.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Wirelark/Wirelark.conf");
}

} // namespace

IniSettingsStorage::IniSettingsStorage() : IniSettingsStorage(defaultPath()) {}

IniSettingsStorage::IniSettingsStorage(QString path) : path_(std::move(path)) {}

std::optional<std::string> IniSettingsStorage::read() const {
    const QSettings settings(path_, QSettings::IniFormat);
    const QVariant value = settings.value(kKey);
    if (!value.isValid()) {
        return std::nullopt;
    }
    const QByteArray bytes = value.toByteArray();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

bool IniSettingsStorage::write(const std::string& bytes) {
    QSettings settings(path_, QSettings::IniFormat);
    settings.setValue(kKey, QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    settings.sync();
    return settings.status() == QSettings::NoError;
}

} // namespace wirelark
