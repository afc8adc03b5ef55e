#include "app/settings/period_edits.h"

#include <gtest/gtest.h>

#include <vector>

using namespace wirelark;

TEST(PeriodEditsTest, AddsTheClampedPeriodUnlessItIsThere) {
    struct Case {
        std::vector<double> before;
        int amount;
        double unit;
        std::vector<double> after;
    };
    const Case cases[] = {
        {{}, 5, 60, {300}},
        {{300}, 5, 60, {300}},     // already there
        {{60}, 300, 1, {60, 300}}, // appended after the others
        {{}, 0, 60, {60}},         // amount held to 1
        {{}, -4, 1, {1}},
        {{}, 1000, 3600, {999 * 3600}}, // and to 999
        {{}, 999, 86400, {999 * 86400}},
        {{3600}, 60, 60, {3600}}, // an hour by another route
    };
    for (const Case& c : cases) {
        std::vector<double> periods = c.before;
        addPeriod(periods, c.amount, c.unit);
        EXPECT_EQ(periods, c.after) << c.amount << " × " << c.unit;
    }
}

TEST(PeriodEditsTest, PeriodsShorterThanTwoUpdatesAreHidden) {
    struct Case {
        double period;
        double interval;
        bool hidden;
    };
    const Case cases[] = {
        {30, 30, true}, {60, 30, false}, {59, 30, true},     {120, 30, false},
        {10, 5, false}, {9, 5, true},    {86400, 60, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(isShorterThanTwoUpdates(c.period, c.interval), c.hidden)
            << c.period << " s every " << c.interval << " s";
    }
}
