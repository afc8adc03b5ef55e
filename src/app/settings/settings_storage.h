#pragma once

#include <QString>

#include <optional>
#include <string>

namespace wirelark {

// Where the settings record's JSON bytes are kept.
class SettingsStorage {
public:
    virtual ~SettingsStorage() = default;
    // The stored bytes, or none when nothing is stored.
    virtual std::optional<std::string> read() const = 0;
    // Replaces the stored bytes; false when they could not be written.
    virtual bool write(const std::string& bytes) = 0;
    // Where the bytes live, for people to read.
    virtual QString location() const = 0;
};

// The user's settings file: INI at $XDG_CONFIG_HOME/Wirelark/Wirelark.conf, key "settings".
class IniSettingsStorage final : public SettingsStorage {
public:
    IniSettingsStorage();
    // A settings file at this path (tests use a temporary folder).
    explicit IniSettingsStorage(QString path);

    std::optional<std::string> read() const override;
    bool write(const std::string& bytes) override;
    QString location() const override { return path_; }

private:
    QString path_;
};

} // namespace wirelark
