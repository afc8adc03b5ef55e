#include "app/tray/tray_ink.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

using namespace wirelark;

namespace {

struct InkCase {
    std::string name;
    ColorScheme scheme;
    std::optional<QColor> background;
    QColor fallback;
    QColor ink;
};

class TrayInkTest : public ::testing::TestWithParam<InkCase> {};

const QColor kGrey(128, 128, 128);

} // namespace

TEST_P(TrayInkTest, ChoosesTheInkForThePanel) {
    const InkCase& c = GetParam();
    EXPECT_EQ(trayInk(c.scheme, c.background, c.fallback), c.ink);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TrayInkTest,
    ::testing::Values(
        // An X11 tray that keeps its own colours whatever the desktop's scheme.
        InkCase{"DarkSchemeLightTray", ColorScheme::dark, QColor(Qt::white), kGrey, Qt::black},
        InkCase{"LightSchemeDarkTray", ColorScheme::light, QColor(Qt::black), kGrey, Qt::white},
        InkCase{"DarkSchemeAlone", ColorScheme::dark, std::nullopt, QColor(Qt::black), Qt::white},
        InkCase{"LightSchemeAlone", ColorScheme::light, std::nullopt, QColor(Qt::white), Qt::black},
        InkCase{"DarkTray", ColorScheme::noPreference, QColor(0x30, 0x30, 0x30), kGrey, Qt::white},
        InkCase{"LightTray", ColorScheme::noPreference, QColor(0xd6, 0xd6, 0xd6), kGrey, Qt::black},
        // Saturated colours: pure blue looks dark, pure green light.
        InkCase{"BlueTray", ColorScheme::noPreference, QColor(Qt::blue), kGrey, Qt::white},
        InkCase{"GreenTray", ColorScheme::noPreference, QColor(Qt::green), kGrey, Qt::black},
        InkCase{"InvalidBackground", ColorScheme::noPreference, QColor(), kGrey, kGrey},
        InkCase{"InvalidBackgroundDarkScheme", ColorScheme::dark, QColor(), kGrey, Qt::white},
        InkCase{"NothingKnown", ColorScheme::noPreference, std::nullopt, kGrey, kGrey}),
    [](const auto& info) { return info.param.name; });
