#include "app/core/graph_bars.h"

#include <algorithm>
#include <cmath>
#include <span>

namespace wirelark {

namespace {

// A zero-length interval would divide to infinity and flatten every other bar.
double drawableRate(double rate) {
    return std::isfinite(rate) && rate > 0 ? rate : 0.0;
}

// The largest rate in view, at least 1 byte per second so that idle samples stay flat.
double graphScale(std::span<const RateSample> samples) {
    double scale = 1.0;
    for (const auto& sample : samples) {
        scale = std::max({scale, drawableRate(sample.rateIn()), drawableRate(sample.rateOut())});
    }
    return scale;
}

BarPair barsAround(double middle, double x, double width, double download, double upload) {
    return {{x, middle - download, width, download}, {x, middle, width, upload}};
}

constexpr int kStatusGraphSlotWidth = 2;

} // namespace

int statusGraphWidth(int slotCount) {
    return kStatusGraphSlotWidth * std::max(slotCount, 1);
}

std::vector<BarPair> statusGraphBars(const std::vector<RateSample>& samples, int slotCount) {
    constexpr double barWidth = 1.5;
    constexpr double minimumMark = 0.5;
    constexpr double middle = kStatusGraphHeight / 2.0;
    // Leaves a point of air between the tallest bar and the image's edge.
    constexpr double reach = middle - 1.0;

    const auto slotsShown = static_cast<size_t>(std::max(slotCount, 1));
    const size_t kept = std::min(samples.size(), slotsShown);
    const auto visible = std::span(samples).last(kept);
    const double scale = graphScale(visible);

    std::vector<BarPair> bars;
    bars.reserve(kept);
    for (size_t k = 0; k < kept; ++k) {
        const double x = kStatusGraphSlotWidth * static_cast<double>(slotsShown - kept + k);
        const double download =
            std::max(minimumMark, reach * drawableRate(visible[k].rateIn()) / scale);
        const double upload =
            std::max(minimumMark, reach * drawableRate(visible[k].rateOut()) / scale);
        bars.push_back(barsAround(middle, x, barWidth, download, upload));
    }
    return bars;
}

std::vector<BarPair> bandwidthGraphBars(const std::vector<RateSample>& samples, int slotCount,
                                        double width, double height) {
    const int slotsShown = std::max(slotCount, 1);
    const double middle = height * 0.5;
    const double slotWidth = width / slotsShown;
    const double barWidth = std::max(1.0, slotWidth - 1.0);
    const double scale = graphScale(samples);
    const double firstX = slotWidth * (slotsShown - static_cast<double>(samples.size()));

    std::vector<BarPair> bars;
    bars.reserve(samples.size());
    for (size_t k = 0; k < samples.size(); ++k) {
        const double x = firstX + slotWidth * static_cast<double>(k);
        bars.push_back(barsAround(middle, x, barWidth,
                                  middle * drawableRate(samples[k].rateIn()) / scale,
                                  middle * drawableRate(samples[k].rateOut()) / scale));
    }
    return bars;
}

} // namespace wirelark
