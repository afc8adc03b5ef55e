#include "app/core/status_item_texts.h"

#include <gtest/gtest.h>

namespace wirelark {
namespace {

TEST(RateLinesTest, UploadAboveDownloadAndDashesWithoutData) {
    const RateLines lines = rateLines(Rates{1500, 15000}, false);
    EXPECT_EQ(lines.upper, "\u2191 15 KB/s");
    EXPECT_EQ(lines.lower, "\u2193 1.5 KB/s");
    EXPECT_EQ(ratesDescription(lines), "Download \u2193 1.5 KB/s, upload \u2191 15 KB/s");

    const RateLines none = rateLines(std::nullopt, true);
    EXPECT_EQ(none.upper, "\u2191 \u2014");
    EXPECT_EQ(none.lower, "\u2193 \u2014");
}

TEST(StatusItemTextsTest, LabelOnlyInTheModesThatShowRates) {
    struct Case {
        MenubarMode mode;
        std::optional<Rates> rates;
        bool useBits;
        StatusItemTexts expected;
    };
    const std::string bytesGuide = "\u2193 888.8 MB/s \u2191 888.8 MB/s";
    const std::string dataTip = "Download \u2193 1.0 KB/s, upload \u2191 2.0 KB/s";
    const Case cases[] = {
        {MenubarMode::rates,
         Rates{1000, 2000},
         false,
         {"\u2193 1.0 KB/s \u2191 2.0 KB/s", bytesGuide, dataTip}},
        {MenubarMode::iconAndRates,
         Rates{1000, 2000},
         false,
         {"\u2193 1.0 KB/s \u2191 2.0 KB/s", bytesGuide, dataTip}},
        {MenubarMode::iconAndRates,
         Rates{125, 250},
         true,
         {"\u2193 1.0 Kb/s \u2191 2.0 Kb/s", "\u2193 888.8 Mb/s \u2191 888.8 Mb/s",
          "Download \u2193 1.0 Kb/s, upload \u2191 2.0 Kb/s"}},
        {MenubarMode::rates,
         std::nullopt,
         false,
         {"\u2193 \u2014 \u2191 \u2014", bytesGuide,
          "Download \u2193 \u2014, upload \u2191 \u2014"}},
        {MenubarMode::icon, Rates{1000, 2000}, false, {"", "", dataTip}},
        {MenubarMode::graph, Rates{1000, 2000}, false, {"", "", dataTip}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(rawValue(c.mode)));
        EXPECT_EQ(statusItemTexts(c.mode, c.rates, c.useBits), c.expected);
    }
}

} // namespace
} // namespace wirelark
