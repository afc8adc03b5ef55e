#include "app/settings/launch_at_login.h"

#include "app/settings/desktop_entry_text.h"
#include "netcore/base/atomic_file.h"

#include <string_view>

namespace wirelark {

namespace {

// A desktop entry is small; anything larger is not one of ours.
constexpr std::size_t kMaxEntryBytes = 64 * 1024;

} // namespace

LaunchAtLogin::LaunchAtLogin(std::filesystem::path entry, std::string program)
    : entry_(std::move(entry)), program_(std::move(program)) {}

bool LaunchAtLogin::isEnabled() const {
    const auto bytes = readWholeFile(entry_, kMaxEntryBytes);
    if (!bytes) {
        return false;
    }
    return !isHiddenDesktopEntry(
        std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
}

std::error_code LaunchAtLogin::setEnabled(bool enabled) const {
    if (!enabled) {
        std::error_code error;
        std::filesystem::remove(entry_, error);
        return error;
    }
    const std::string text = "[Desktop Entry]\n"
                             "Type=Application\n"
                             "Name=Wirelark\n"
                             "Comment=Network monitor in the system tray\n"
                             "Exec=" +
                             desktopEntryExec(program_) +
                             "\n"
                             "Icon=wirelark\n"
                             "Terminal=false\n"
                             "X-GNOME-Autostart-enabled=true\n";
    return writeFileAtomically(
        entry_, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

} // namespace wirelark
