#pragma once

#include <filesystem>
#include <string>
#include <system_error>

namespace wirelark {

// Starting the app when the user logs in, through an XDG autostart entry of its own.
class LaunchAtLogin {
public:
    // `entry` is the autostart file ($XDG_CONFIG_HOME/autostart/wirelark.desktop), `program` the
    // binary it starts.
    LaunchAtLogin(std::filesystem::path entry, std::string program);

    // The entry exists and is not hidden.
    bool isEnabled() const;
    // Writes the entry at once or removes it; the system's error when that fails.
    [[nodiscard]] std::error_code setEnabled(bool enabled) const;

    const std::filesystem::path& entry() const { return entry_; }

private:
    std::filesystem::path entry_;
    std::string program_;
};

} // namespace wirelark
