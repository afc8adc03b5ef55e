#include "app/installer/helper_install_phase.h"

namespace wirelark {

std::optional<std::string> statusText(const HelperInstallPhase& phase) {
    switch (phase.kind) {
    case HelperInstallPhase::Kind::idle:
        return std::nullopt;
    case HelperInstallPhase::Kind::checking:
        return "Checking for a newer helper…";
    case HelperInstallPhase::Kind::downloading:
        return "Downloading helper " + phase.detail + "…";
    case HelperInstallPhase::Kind::waitingForInstaller:
        return "Finish the installation in Installer, then come back here.";
    case HelperInstallPhase::Kind::failed:
        return phase.detail;
    }
    return std::nullopt;
}

} // namespace wirelark
