#include "app/panel/flow_geometry.h"

#include <algorithm>

namespace wirelark {

FlowPlacement flowPlacement(const std::vector<FlowSize>& items, double spacing, double width) {
    FlowPlacement placement;
    double x = 0;
    double y = 0;
    double lineHeight = 0;
    for (const FlowSize& item : items) {
        if (x > 0 && x + item.width > width) {
            y += lineHeight + spacing;
            x = 0;
            lineHeight = 0;
        }
        placement.frames.push_back({x, y, item.width, item.height});
        placement.size.width = std::max(placement.size.width, x + item.width);
        placement.size.height = std::max(placement.size.height, y + item.height);
        x += item.width + spacing;
        lineHeight = std::max(lineHeight, item.height);
    }
    return placement;
}

} // namespace wirelark
