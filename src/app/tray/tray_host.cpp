#include "app/tray/tray_host.h"

#include <cstddef>

namespace wirelark {

bool hostShowsLabel(std::string_view watcherProcess, std::string_view currentDesktop) {
    if (watcherProcess == "plasmashell" || watcherProcess == "kded5" || watcherProcess == "kded6") {
        return false;
    }
    if (!watcherProcess.empty()) {
        return true;
    }
    // A colon-separated list, such as "KDE" or "ubuntu:GNOME".
    while (!currentDesktop.empty()) {
        const std::size_t colon = currentDesktop.find(':');
        if (currentDesktop.substr(0, colon) == "KDE") {
            return false;
        }
        currentDesktop.remove_prefix(colon == std::string_view::npos ? currentDesktop.size()
                                                                     : colon + 1);
    }
    return true;
}

} // namespace wirelark
