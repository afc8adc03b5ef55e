#include "app/drawing/menubar_renderer.h"

#include <QRect>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using namespace wirelark;

namespace {

const std::vector<RateSample> kFiveSamples = {
    {.end = 1, .duration = 1, .bytesIn = 100, .bytesOut = 0},
    {.end = 2, .duration = 1, .bytesIn = 50, .bytesOut = 100},
    {.end = 3, .duration = 1, .bytesIn = 0, .bytesOut = 25},
    {.end = 4, .duration = 1, .bytesIn = 0, .bytesOut = 0},
    {.end = 5, .duration = 1, .bytesIn = 100, .bytesOut = 100},
};

int alphaAt(const QImage& image, int x, int y) {
    return qAlpha(image.pixel(x, y));
}

// Whether any pixel inside `area` (in device pixels) is not fully transparent.
bool anyInkIn(const QImage& image, const QRect& area) {
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (alphaAt(image, x, y) != 0) {
                return true;
            }
        }
    }
    return false;
}

std::string describe(const StatusImage& status) {
    return status.description.toStdString();
}

} // namespace

TEST(MenubarRenderer, ImageSizesPerModeInPointsAndDevicePixels) {
    const int text = MenubarRenderer::reservedTextWidth();
    ASSERT_GT(text, 0);
    const Rates rates{.rateIn = 1500, .rateOut = 20};
    struct Case {
        MenubarMode mode;
        QSize points;
    };
    const std::vector<Case> cases = {
        {MenubarMode::icon, {22, 22}},
        {MenubarMode::rates, {text, 22}},
        {MenubarMode::iconAndRates, {text + 19, 22}},
        {MenubarMode::graph, {40, 18}},
    };
    for (const qreal ratio : {1.0, 2.0}) {
        const MenubarRenderer renderer(ratio);
        for (const auto& c : cases) {
            const auto label = std::string(rawValue(c.mode)) + " at ratio " + std::to_string(ratio);
            const QImage image = renderer.statusImage(c.mode, rates, kFiveSamples, false).image;
            EXPECT_EQ(image.deviceIndependentSize(), QSizeF(c.points)) << label;
            EXPECT_EQ(image.size(), c.points * ratio) << label;
            EXPECT_EQ(image.devicePixelRatio(), ratio) << label;
        }
    }
}

TEST(MenubarRenderer, RatesWidthIsTheSameWithAndWithoutData) {
    const MenubarRenderer renderer;
    for (const bool withIcon : {false, true}) {
        const auto noData = renderer.ratesImage(0, 0, true, false, withIcon).image.size();
        EXPECT_EQ(renderer.ratesImage(999'999, 12'345'678, false, false, withIcon).image.size(),
                  noData);
        EXPECT_EQ(renderer.ratesImage(1.5, 0, false, true, withIcon).image.size(), noData);
    }
}

TEST(MenubarRenderer, Descriptions) {
    const MenubarRenderer renderer;
    struct Case {
        MenubarMode mode;
        std::optional<Rates> rates;
        bool useBits;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {MenubarMode::rates, std::nullopt, false, "Download ↓ —, upload ↑ —"},
        {MenubarMode::iconAndRates, std::nullopt, true, "Download ↓ —, upload ↑ —"},
        {MenubarMode::rates, Rates{1500, 20}, false, "Download ↓ 1.5 KB/s, upload ↑ 20 B/s"},
        {MenubarMode::iconAndRates, Rates{0, 125}, true, "Download ↓ 0 b/s, upload ↑ 1.0 Kb/s"},
        {MenubarMode::icon, Rates{1500, 20}, false, "Wirelark"},
        {MenubarMode::graph, std::nullopt, false, "Bandwidth graph"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(describe(renderer.statusImage(c.mode, c.rates, {}, c.useBits)), c.expected)
            << rawValue(c.mode);
    }
}

TEST(MenubarRenderer, RatesImageDrawsTwoLinesBesideTheIcon) {
    const MenubarRenderer renderer;
    const QImage plain = renderer.ratesImage(1500, 20, false, false, false).image;
    const int width = plain.width();
    EXPECT_TRUE(anyInkIn(plain, QRect(0, 0, width, 11))) << "upper line";
    EXPECT_TRUE(anyInkIn(plain, QRect(0, 11, width, 11))) << "lower line";

    const QImage withIcon = renderer.ratesImage(1500, 20, false, false, true).image;
    EXPECT_TRUE(anyInkIn(withIcon, QRect(0, 3, 16, 16))) << "icon";
    EXPECT_FALSE(anyInkIn(withIcon, QRect(16, 0, 3, 22))) << "the gap between icon and text";
    EXPECT_FALSE(anyInkIn(withIcon, QRect(0, 0, 16, 3))) << "above the icon";
    EXPECT_FALSE(anyInkIn(withIcon, QRect(0, 19, 16, 3))) << "below the icon";
}

TEST(MenubarRenderer, IconIsCentred) {
    for (const qreal ratio : {1.0, 2.0}) {
        const QImage image = MenubarRenderer(ratio).iconImage().image;
        const int inset = static_cast<int>(3 * ratio);
        const int icon = static_cast<int>(16 * ratio);
        EXPECT_TRUE(anyInkIn(image, QRect(inset, inset, icon, icon))) << ratio;
        const int edge = image.width() - inset;
        EXPECT_FALSE(anyInkIn(image, QRect(0, 0, image.width(), inset))) << ratio;
        EXPECT_FALSE(anyInkIn(image, QRect(0, edge, image.width(), inset))) << ratio;
        EXPECT_FALSE(anyInkIn(image, QRect(0, 0, inset, image.height()))) << ratio;
        EXPECT_FALSE(anyInkIn(image, QRect(edge, 0, inset, image.height()))) << ratio;
    }
}

TEST(MenubarRenderer, GraphBarsArePaintedWhereTheyBelong) {
    // Five samples in the right-most of 20 slots; the middle line is at 9 points. The first
    // sample fills the download side and leaves a half-point upload mark.
    struct Probe {
        int x;
        int y;
        bool inked;
        const char* what;
    };
    struct Case {
        qreal ratio;
        std::vector<Probe> probes;
    };
    const std::vector<Case> cases = {
        {1.0,
         {{30, 2, true, "first sample's download"},
          {30, 13, false, "first sample's upload is only a mark"},
          {30, 9, true, "first sample's upload mark"},
          {29, 5, false, "left of the first sample"},
          {0, 5, false, "an empty slot"},
          {32, 15, true, "second sample's upload"},
          {39, 5, true, "the newest sample's half-covered column"}}},
        {2.0,
         {{60, 4, true, "first sample's download"},
          {62, 4, true, "first sample's download, third device pixel"},
          {63, 4, false, "the gap after the first sample"},
          {60, 26, false, "first sample's upload is only a mark"},
          {64, 31, true, "second sample's upload"},
          {78, 2, true, "the newest sample reaches near the top"},
          {78, 1, false, "a point of air above the tallest bar"}}},
    };
    for (const auto& c : cases) {
        const QImage image = MenubarRenderer(c.ratio).graphImage(kFiveSamples, 20).image;
        for (const auto& probe : c.probes) {
            EXPECT_EQ(alphaAt(image, probe.x, probe.y) != 0, probe.inked)
                << probe.what << " at ratio " << c.ratio;
        }
    }
}

TEST(MenubarRenderer, AllZeroGraphStillShowsMarks) {
    const std::vector<RateSample> idle(3, RateSample{.end = 0, .duration = 1});
    const QImage image = MenubarRenderer(2.0).graphImage(idle, 20).image;
    for (const int x : {68, 72, 76}) {
        EXPECT_NE(alphaAt(image, x, 17), 0) << "download mark at " << x;
        EXPECT_NE(alphaAt(image, x, 18), 0) << "upload mark at " << x;
        EXPECT_EQ(alphaAt(image, x, 10), 0) << "nothing further up at " << x;
    }
}

TEST(MenubarRenderer, EveryPixelIsTheInk) {
    const QColor ink(40, 160, 220);
    for (const qreal ratio : {1.0, 2.0}) {
        const MenubarRenderer renderer(ratio, ink);
        for (const auto mode : {MenubarMode::icon, MenubarMode::rates, MenubarMode::iconAndRates,
                                MenubarMode::graph}) {
            const QImage image = renderer.statusImage(mode, Rates{1500, 20}, kFiveSamples, false)
                                     .image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
            int inked = 0;
            int strays = 0;
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x) {
                    const QRgb pixel = image.pixel(x, y);
                    const int alpha = qAlpha(pixel);
                    inked += alpha != 0;
                    const auto off = [alpha](int channel, int inkChannel) {
                        return std::abs(channel - (inkChannel * alpha + 127) / 255) > 1;
                    };
                    strays += off(qRed(pixel), ink.red()) || off(qGreen(pixel), ink.green()) ||
                              off(qBlue(pixel), ink.blue());
                }
            }
            EXPECT_GT(inked, 0) << rawValue(mode) << " at ratio " << ratio;
            EXPECT_EQ(strays, 0) << rawValue(mode) << " at ratio " << ratio;
        }
    }
}
