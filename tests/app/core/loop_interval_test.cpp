#include "app/core/loop_interval.h"

#include <gtest/gtest.h>

#include <limits>

using namespace wirelark;

TEST(LoopInterval, StoredValuesThatWouldStopOrSpinTheLoopAreHeldInRange) {
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    struct Case {
        double stored;
        double used;
    };
    const Case cases[] = {
        {5, 5},
        {1, 1},
        {0.5, 0.5},
        {3600, 3600},
        {0, 5},
        {-1, 5},
        {-kInfinity, 5},
        {kInfinity, 5},
        {kNaN, 5},
        {1e-9, 0.1},
        {0.1, 0.1},
        {2147483.647, 2147483.647}, // the longest wait a Qt timer holds
        {2147484, 2147483.647},
        {1e300, 2147483.647},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(loopInterval(c.stored), c.used) << c.stored;
        EXPECT_LE(loopInterval(c.stored) * 1000, std::numeric_limits<int>::max()) << c.stored;
    }
}
