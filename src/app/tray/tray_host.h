#pragma once

#include <string_view>

namespace wirelark {

// Whether the tray host draws an item's text label (XAyatanaLabel) beside its icon. KDE Plasma
// never implemented that extension, so there the rates must go into the icon itself. The host
// is known by the process that owns the StatusNotifierWatcher name, else by the desktop's name
// in XDG_CURRENT_DESKTOP (a colon-separated list).
bool hostShowsLabel(std::string_view watcherProcess, std::string_view currentDesktop);

} // namespace wirelark
