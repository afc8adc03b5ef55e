#pragma once

#include <QRect>

#include <vector>

namespace wirelark {

// One screen as the panel sees it: its whole area and the part that docks and panels leave free.
struct PanelScreen {
    QRect frame;
    QRect available;
};

inline constexpr int kPanelWidth = 400;

// Where the panel goes for a tray anchor (the X11 tray window, or a small rectangle at the
// point a StatusNotifierItem host reported): centred on the anchor and kept 4 pixels inside the
// available area of the screen holding the anchor's centre, 4 pixels below an anchor in the
// upper half of that screen and 4 pixels above one in the lower half. The height is what the
// content wants, at most the available height less 8 and never more than fits on the anchor's
// side. Without screens the available area is empty, at the origin.
QRect panelGeometry(const QRect& anchor, const std::vector<PanelScreen>& screens, int wantedHeight);

// Where a window cannot place itself (Wayland), the panel stands for the top centre of the
// screen under the pointer: this anchor there gives that place.
QRect screenTopAnchor(const PanelScreen& screen);

} // namespace wirelark
