#include "app/core/graph_bars.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

using namespace wirelark;

namespace wirelark {

void PrintTo(const BarPair& bars, std::ostream* out) {
    const auto print = [out](const BarRect& r) {
        *out << "(" << r.x << ", " << r.y << ", " << r.width << " x " << r.height << ")";
    };
    *out << "download ";
    print(bars.download);
    *out << " upload ";
    print(bars.upload);
}

} // namespace wirelark

namespace {

// One-second samples, so that the byte counts are the rates.
RateSample sample(uint64_t bytesIn, uint64_t bytesOut) {
    return {.end = 0, .duration = 1.0, .bytesIn = bytesIn, .bytesOut = bytesOut};
}

std::vector<RateSample> samplesOf(size_t count, uint64_t bytesIn, uint64_t bytesOut) {
    return std::vector<RateSample>(count, sample(bytesIn, bytesOut));
}

// The samples 1, 2, ..., count bytes per second in both directions.
std::vector<RateSample> rising(size_t count) {
    std::vector<RateSample> samples;
    for (uint64_t n = 1; n <= count; ++n) {
        samples.push_back(sample(n, n));
    }
    return samples;
}

// The status graph's bars: 1.5 wide, around the middle line at 9.
BarPair statusBars(double x, double download, double upload) {
    return {{x, 9.0 - download, 1.5, download}, {x, 9.0, 1.5, upload}};
}

struct StatusCase {
    std::string name;
    std::vector<RateSample> samples;
    int slots;
    std::vector<BarPair> expected;
};

struct WidgetCase {
    std::string name;
    std::vector<RateSample> samples;
    int slots;
    double width;
    double height;
    std::vector<BarPair> expected;
};

} // namespace

TEST(GraphBars, StatusGraph) {
    const std::vector<StatusCase> cases = {
        {"no samples", {}, 20, {}},
        {"five samples take the five right-most slots",
         {sample(100, 0), sample(50, 100), sample(0, 25), sample(0, 0), sample(100, 100)},
         20,
         {statusBars(30, 8, 0.5), statusBars(32, 4, 8), statusBars(34, 0.5, 2),
          statusBars(36, 0.5, 0.5), statusBars(38, 8, 8)}},
        {"all-zero rates still leave half-point marks",
         samplesOf(3, 0, 0),
         4,
         {statusBars(2, 0.5, 0.5), statusBars(4, 0.5, 0.5), statusBars(6, 0.5, 0.5)}},
        {"rates below one byte per second are scaled against 1",
         {{.end = 0, .duration = 2.0, .bytesIn = 1, .bytesOut = 0}},
         1,
         {statusBars(0, 4, 0.5)}},
        {"a zero-length interval draws as idle instead of flattening the rest",
         {sample(100, 100), {.end = 0, .duration = 0, .bytesIn = 5, .bytesOut = 0}},
         2,
         {statusBars(0, 8, 8), statusBars(2, 0.5, 0.5)}},
        {"a slot count below 1 counts as 1",
         {sample(0, 0), sample(4, 2)},
         0,
         {statusBars(0, 8, 4)}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(statusGraphBars(c.samples, c.slots), c.expected) << c.name;
    }
}

TEST(GraphBars, StatusGraphKeepsOnlyTheNewestSlots) {
    const auto bars = statusGraphBars(rising(30), 20);
    ASSERT_EQ(bars.size(), 20u);
    // Sample 11 of 30 is the oldest kept, drawn at the left edge; 30 is the scale.
    EXPECT_EQ(bars.front().download.x, 0.0);
    EXPECT_DOUBLE_EQ(bars.front().download.height, 8.0 * 11 / 30);
    EXPECT_EQ(bars.back(), statusBars(38, 8, 8));
}

TEST(GraphBars, StatusGraphWidth) {
    EXPECT_EQ(statusGraphWidth(20), 40);
    EXPECT_EQ(statusGraphWidth(0), 2);
    EXPECT_EQ(statusGraphWidth(-3), 2);
}

TEST(GraphBars, BandwidthGraph) {
    const std::vector<WidgetCase> cases = {
        {"no samples", {}, 60, 120, 30, {}},
        {"one sample in the right-most of 60 slots",
         {sample(10, 5)},
         60,
         120,
         30,
         {{{118, 0, 1, 15}, {118, 15, 1, 7.5}}}},
        {"the largest rate reaches the top and the bottom edge",
         {sample(40, 10), sample(10, 40)},
         4,
         100,
         20,
         {{{50, 0, 24, 10}, {50, 10, 24, 2.5}}, {{75, 7.5, 24, 2.5}, {75, 10, 24, 10}}}},
        {"zero rates draw zero-height bars",
         samplesOf(2, 0, 0),
         2,
         10,
         30,
         {{{0, 15, 4, 0}, {0, 15, 4, 0}}, {{5, 15, 4, 0}, {5, 15, 4, 0}}}},
        {"a narrow surface keeps bars 1 wide, overlapping their neighbours",
         samplesOf(2, 1, 1),
         60,
         30,
         30,
         {{{29, 0, 1, 15}, {29, 15, 1, 15}}, {{29.5, 0, 1, 15}, {29.5, 15, 1, 15}}}},
        {"a slot count below 1 counts as 1",
         {sample(2, 1)},
         0,
         50,
         30,
         {{{0, 0, 49, 15}, {0, 15, 49, 7.5}}}},
        {"samples beyond the slot count fall left of the surface",
         {sample(1, 0), sample(1, 0)},
         1,
         10,
         30,
         {{{-10, 0, 9, 15}, {-10, 15, 9, 0}}, {{0, 0, 9, 15}, {0, 15, 9, 0}}}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(bandwidthGraphBars(c.samples, c.slots, c.width, c.height), c.expected) << c.name;
    }
}
