#include "app/tray/tray_host.h"

#include <ranges>

namespace wirelark {

bool hostShowsLabel(std::string_view watcherProcess, std::string_view currentDesktop) {
    if (watcherProcess == "plasmashell" || watcherProcess == "kded5" || watcherProcess == "kded6") {
        return false;
    }
    if (!watcherProcess.empty()) {
        return true;
    }
    for (const auto part : currentDesktop | std::views::split(':')) {
        if (std::string_view(part.begin(), part.end()) == "KDE") {
            return false;
        }
    }
    return true;
}

} // namespace wirelark
