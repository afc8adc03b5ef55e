#include "netcore/history/rate_format.h"

#include <gtest/gtest.h>

namespace wirelark {
namespace {

TEST(RateFormatTest, RateText) {
    struct Case {
        double rate;
        bool useBits;
        const char* text;
    };
    const Case cases[] = {
        {0, false, "0 B/s"},           {124.9, true, "999 b/s"},     {125, true, "1.0 Kb/s"},
        {999.7, false, "1000 B/s"},    {999.5, false, "1000 B/s"},   {999.4, false, "999 B/s"},
        {1500, false, "1.5 KB/s"},     {15000, false, "15 KB/s"},    {999999, false, "1000 KB/s"},
        {9960, false, "10.0 KB/s"},    {1234567, false, "1.2 MB/s"}, {12345678, false, "12 MB/s"},
        {2.5e9, false, "2.5 GB/s"},    {1e12, true, "8.0 Tb/s"},     {1e15, false, "1000 TB/s"},
        {1e18, false, "1000000 TB/s"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(rateText(c.rate, c.useBits), c.text) << c.rate << (c.useBits ? " bits" : "");
    }
}

TEST(RateFormatTest, CompactRateText) {
    struct Case {
        double rate;
        bool useBits;
        const char* text;
    };
    const Case cases[] = {
        {0, false, "0B"},        {-5, false, "0B"},         {999.4, false, "999B"},
        {999.6, false, "1.0K"},  {1234, false, "1.2K"},     {9960, false, "10K"},
        {340000, false, "340K"}, {999600, false, "1.0M"},   {1234567, false, "1.2M"},
        {125, true, "1.0K"},     {100, true, "800b"},       {2.5e9, false, "2.5G"},
        {1e15, false, "1000T"},  {1.2e6 / 8, true, "1.2M"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(compactRateText(c.rate, c.useBits), c.text)
            << c.rate << (c.useBits ? " bits" : "");
    }
}

TEST(RateFormatTest, PeriodLabel) {
    struct Case {
        double seconds;
        const char* label;
    };
    const Case cases[] = {
        {86400, "1d"}, {604800, "7d"}, {7776000, "90d"}, {90000, "25h"}, {129600, "36h"},
        {3600, "1h"},  {3660, "61m"},  {5400, "90m"},    {300, "5m"},    {59, "59s"},
        {61, "61s"},   {45.9, "45s"},  {0, "0s"},        {60.5, "60s"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(periodLabel(c.seconds), c.label) << c.seconds;
    }
}

} // namespace
} // namespace wirelark
