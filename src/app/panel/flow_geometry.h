#pragma once

#include <vector>

namespace wirelark {

struct FlowSize {
    double width = 0;
    double height = 0;

    bool operator==(const FlowSize&) const = default;
};

struct FlowFrame {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    bool operator==(const FlowFrame&) const = default;
};

struct FlowPlacement {
    std::vector<FlowFrame> frames; // one per item, in order
    FlowSize size;                 // the right-most and lowest edges; (0, 0) without items
};

// Places items of the given ideal sizes left to right, `spacing` apart, starting a new line
// when the next one would pass `width`. An item wider than the width on an empty line stays
// there, so nothing is ever dropped.
FlowPlacement flowPlacement(const std::vector<FlowSize>& items, double spacing, double width);

} // namespace wirelark
