#include "app/panel/panel_placement.h"

#include <algorithm>

namespace wirelark {

namespace {

constexpr int kGap = 4;

PanelScreen screenFor(const QRect& anchor, const std::vector<PanelScreen>& screens) {
    const auto holding = std::find_if(screens.begin(), screens.end(), [&](const PanelScreen& s) {
        return s.frame.contains(anchor.center());
    });
    if (holding != screens.end()) {
        return *holding;
    }
    return screens.empty() ? PanelScreen{} : screens.front();
}

} // namespace

QRect panelGeometry(const QRect& anchor, const std::vector<PanelScreen>& screens,
                    int wantedHeight) {
    const PanelScreen screen = screenFor(anchor, screens);
    const QRect& area = screen.available;
    const bool below = anchor.center().y() < screen.frame.center().y();
    // An anchor inside the available area (a click point, a tray without a strut) leaves less
    // room than the whole height: the panel must not run off the screen.
    const int room = below ? area.bottom() + 1 - kGap - (anchor.bottom() + 1 + kGap)
                           : anchor.top() - kGap - (area.top() + kGap);
    const int height = std::max(0, std::min({wantedHeight, area.height() - 2 * kGap, room}));
    const int x = std::min(area.right() + 1 - kPanelWidth - kGap,
                           std::max(anchor.center().x() - kPanelWidth / 2, area.left() + kGap));
    const int y = below ? anchor.bottom() + 1 + kGap : anchor.top() - kGap - height;
    return {x, y, kPanelWidth, height};
}

QRect screenTopAnchor(const PanelScreen& screen) {
    return {screen.available.center().x(), screen.available.top() - 1, 1, 1};
}

} // namespace wirelark
