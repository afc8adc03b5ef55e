#pragma once

#include <optional>
#include <string>

namespace wirelark {

// Where installing the admin helper stands. `detail` is the version being downloaded or the
// failure's message, empty for the other kinds.
struct HelperInstallPhase {
    enum class Kind { downloading, failed, idle, checking, waitingForInstaller };

    Kind kind = Kind::idle;
    std::string detail;

    static HelperInstallPhase downloading(std::string version) {
        return {Kind::downloading, std::move(version)};
    }
    static HelperInstallPhase failed(std::string message) {
        return {Kind::failed, std::move(message)};
    }

    bool operator==(const HelperInstallPhase&) const = default;
};

// The line the settings window shows for a phase; none while idle.
std::optional<std::string> statusText(const HelperInstallPhase& phase);

} // namespace wirelark
