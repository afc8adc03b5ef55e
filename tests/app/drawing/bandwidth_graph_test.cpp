#include "app/drawing/bandwidth_graph.h"

#include <QImage>

#include <gtest/gtest.h>

#include <string>

using namespace wirelark;

namespace {

RateSample sample(double duration, uint64_t bytesIn, uint64_t bytesOut) {
    return {.end = 0, .duration = duration, .bytesIn = bytesIn, .bytesOut = bytesOut};
}

bool isBlue(QRgb pixel) {
    return qBlue(pixel) > qRed(pixel) + 60;
}

bool isOrange(QRgb pixel) {
    return qRed(pixel) > qBlue(pixel) + 60;
}

} // namespace

TEST(BandwidthGraph, AccessibilityValue) {
    struct Case {
        std::vector<RateSample> samples;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {{}, "No data"},
        {{sample(1, 1500, 20)}, "Download 1.5 KB/s, upload 20 B/s"},
        {{sample(1, 9, 9), sample(2, 3000, 0)}, "Download 1.5 KB/s, upload 0 B/s"},
    };
    BandwidthGraph graph;
    EXPECT_EQ(graph.accessibleName().toStdString(), "Bandwidth graph");
    for (const auto& c : cases) {
        graph.setSamples(c.samples, 60);
        EXPECT_EQ(graph.accessibilityValue().toStdString(), c.expected);
        EXPECT_EQ(graph.accessibleDescription(), graph.accessibilityValue());
    }
}

TEST(BandwidthGraph, FixedHeight) {
    const BandwidthGraph graph;
    EXPECT_EQ(graph.minimumHeight(), 30);
    EXPECT_EQ(graph.maximumHeight(), 30);
    EXPECT_EQ(graph.sizePolicy().horizontalPolicy(), QSizePolicy::Expanding);
}

TEST(BandwidthGraph, OneSampleDrawsInTheRightMostSlot) {
    BandwidthGraph graph;
    graph.resize(120, 30);
    graph.setSamples({sample(1, 10, 10)}, 60);
    const QImage image = graph.grab().toImage();
    ASSERT_EQ(image.width(), 120);
    // Each of the 60 slots is 2 wide: the bar pair fills column 118 from top to bottom.
    EXPECT_TRUE(isBlue(image.pixel(118, 4)));
    EXPECT_TRUE(isOrange(image.pixel(118, 25)));
    for (const int x : {0, 60, 116, 117, 119}) {
        EXPECT_FALSE(isBlue(image.pixel(x, 4))) << x;
        EXPECT_FALSE(isOrange(image.pixel(x, 25))) << x;
    }
}

TEST(BandwidthGraph, NoSamplesDrawNoBars) {
    BandwidthGraph graph;
    graph.resize(120, 30);
    graph.setSamples({}, 60);
    const QImage image = graph.grab().toImage();
    for (int x = 0; x < image.width(); ++x) {
        for (int y = 0; y < image.height(); ++y) {
            ASSERT_FALSE(isBlue(image.pixel(x, y)) || isOrange(image.pixel(x, y))) << x << "," << y;
        }
    }
}
