#pragma once

#include "netcore/history/rate_sample.h"

#include <vector>

namespace wirelark {

// A rectangle in points, y growing downwards as on every Qt paint device.
struct BarRect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    bool operator==(const BarRect&) const = default;
};

// One sample's bars: download rising from the middle line, upload hanging below it.
struct BarPair {
    BarRect download;
    BarRect upload;

    bool operator==(const BarPair&) const = default;
};

// The status item's graph: two points per slot, 18 high. A slot count below 1 counts as 1 in
// both graphs, so that no image or surface is left without a slot.
inline constexpr int kStatusGraphHeight = 18;
int statusGraphWidth(int slotCount);

// The bars of the status item's graph for the newest `slotCount` samples (oldest first),
// right-aligned. Every sample keeps a mark of at least half a point on both sides so that a
// quiet interval still shows.
std::vector<BarPair> statusGraphBars(const std::vector<RateSample>& samples, int slotCount);

// The bars of a width × height bandwidth graph with `slotCount` slots, right-aligned. Samples
// beyond the slot count get negative x positions and are clipped by the painter.
std::vector<BarPair> bandwidthGraphBars(const std::vector<RateSample>& samples, int slotCount,
                                        double width, double height);

} // namespace wirelark
