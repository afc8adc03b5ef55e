#include "app/panel/panel_placement.h"

#include <gtest/gtest.h>

#include <ostream>

namespace wirelark {
namespace {

struct PlacementCase {
    const char* name;
    QRect anchor;
    std::vector<PanelScreen> screens;
    int wantedHeight;
    QRect expected;
};

void PrintTo(const PlacementCase& c, std::ostream* out) {
    *out << c.name;
}

// A 1600×900 screen with a 24-pixel panel at the top, and one with it at the bottom.
const PanelScreen kTopPanel{{0, 0, 1600, 924}, {0, 24, 1600, 900}};
const PanelScreen kBottomPanel{{0, 0, 1600, 924}, {0, 0, 1600, 900}};
const PanelScreen kRightScreen{{1600, 0, 1280, 1024}, {1600, 30, 1280, 994}};

class PanelPlacementTest : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(PanelPlacementTest, Places) {
    const PlacementCase& c = GetParam();
    EXPECT_EQ(panelGeometry(c.anchor, c.screens, c.wantedHeight), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PanelPlacementTest,
    ::testing::Values(
        PlacementCase{
            "CentredUnderTheTray", {800, 0, 41, 24}, {kTopPanel}, 300, {620, 28, 400, 300}},
        PlacementCase{
            "RightEdgeStaysFourInside", {1580, 0, 20, 24}, {kTopPanel}, 300, {1196, 28, 400, 300}},
        PlacementCase{
            "LeftEdgeStaysFourInside", {0, 0, 20, 24}, {kTopPanel}, 300, {4, 28, 400, 300}},
        PlacementCase{"TallerThanTheScreenIsClamped",
                      {800, 0, 41, 24},
                      {kTopPanel},
                      2000,
                      {620, 28, 400, 892}},
        PlacementCase{"BottomPanelOpensUpward",
                      {800, 900, 41, 24},
                      {kBottomPanel},
                      300,
                      {620, 596, 400, 300}},
        PlacementCase{"BottomPanelClampsUpward",
                      {800, 900, 41, 24},
                      {kBottomPanel},
                      2000,
                      {620, 4, 400, 892}},
        PlacementCase{"SecondScreen",
                      {2800, 0, 40, 30},
                      {kTopPanel, kRightScreen},
                      300,
                      {2476, 34, 400, 300}},
        PlacementCase{"ClickPointLeavesRoomBelowIt",
                      {800, 400, 1, 1},
                      {kTopPanel},
                      2000,
                      {600, 405, 400, 515}},
        PlacementCase{"AnchorOffEveryScreenUsesTheFirst",
                      {5000, 0, 20, 20},
                      {kTopPanel},
                      300,
                      {1196, 24, 400, 300}},
        PlacementCase{"NoScreenAtAll", {0, 0, 20, 20}, {}, 300, {-404, -4, 400, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ScreenTopAnchorTest, PlacesThePanelCentredUnderTheTopOfTheScreen) {
    EXPECT_EQ(panelGeometry(screenTopAnchor(kRightScreen), {kTopPanel, kRightScreen}, 300),
              QRect(2039, 34, 400, 300));
}

} // namespace
} // namespace wirelark
