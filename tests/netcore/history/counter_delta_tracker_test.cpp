#include "netcore/history/counter_delta_tracker.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace wirelark {
namespace {

InterfaceCounters counters(uint64_t bytesIn, uint64_t bytesOut) {
    InterfaceCounters c;
    c.bytesIn = bytesIn;
    c.bytesOut = bytesOut;
    c.packetsIn = bytesIn / 100; // stored with the baseline, never used
    return c;
}

TEST(CounterDeltaTrackerTest, FirstReadingGivesNothingAndTheSecondMeasuresFromIt) {
    CounterDeltaTracker tracker;
    EXPECT_EQ(tracker.update("en0", counters(5000, 700), 100, 15), std::nullopt);
    EXPECT_EQ(tracker.update("en0", counters(6000, 700), 101, 15), (RateSample{101, 1, 1000, 0}));
    // Another key has its own baseline.
    EXPECT_EQ(tracker.update("en1", counters(6000, 700), 101, 15), std::nullopt);
}

TEST(CounterDeltaTrackerTest, UntrustedIntervalsGiveNothingButReplaceTheBaseline) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* name;
        double at;
        double maxGap;
        bool sample;
    };
    const Case cases[] = {
        {"same instant", 100, 15, false},
        {"clock went backwards", 99, 15, false},
        {"exactly maxGap", 115, 15, true},
        {"just over maxGap", std::nextafter(115.0, 200.0), 15, false},
        {"reading time not a number", nan, 15, false},
        {"maxGap not a number", 105, nan, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CounterDeltaTracker tracker;
        tracker.update("en0", counters(1000, 1000), 100, 15);
        const auto sample = tracker.update("en0", counters(3000, 1500), c.at, c.maxGap);
        EXPECT_EQ(sample.has_value(), c.sample);
        if (sample) {
            EXPECT_EQ(*sample, (RateSample{c.at, c.at - 100, 2000, 500}));
        }
        ASSERT_TRUE(tracker.last().contains("en0"));
        EXPECT_EQ(tracker.last().at("en0").counters, counters(3000, 1500));
    }
}

TEST(CounterDeltaTrackerTest, CounterGoingBackwardsDropsTheIntervalAndTheNextMeasuresFromIt) {
    CounterDeltaTracker tracker;
    tracker.update("en0", counters(10'000, 500), 0, 15);
    // bytesIn drops while bytesOut grows: the interface was reset.
    EXPECT_EQ(tracker.update("en0", counters(200, 900), 5, 15), std::nullopt);
    EXPECT_EQ(tracker.update("en0", counters(1200, 1000), 10, 15), (RateSample{10, 5, 1000, 100}));
    // Only bytesOut going backwards drops the interval too.
    EXPECT_EQ(tracker.update("en0", counters(1300, 10), 15, 15), std::nullopt);
}

TEST(CounterDeltaTrackerTest, IdleIntervalIsASampleOfZeroBytes) {
    CounterDeltaTracker tracker;
    tracker.update("en0", counters(42, 42), 0, 15);
    EXPECT_EQ(tracker.update("en0", counters(42, 42), 5, 15), (RateSample{5, 5, 0, 0}));
}

TEST(CounterDeltaTrackerTest, RetainKeepsOnlyTheGivenKeys) {
    CounterDeltaTracker tracker;
    for (const char* key : {"a", "b", "c"}) {
        tracker.update(key, counters(1, 1), 0, 15);
    }
    tracker.retain({"b", "z"});
    ASSERT_EQ(tracker.last().size(), 1u);
    EXPECT_TRUE(tracker.last().contains("b"));
    // A forgotten key starts over without a sample.
    EXPECT_EQ(tracker.update("a", counters(2, 2), 5, 15), std::nullopt);
    tracker.retain({});
    EXPECT_TRUE(tracker.last().empty());
}

} // namespace
} // namespace wirelark
