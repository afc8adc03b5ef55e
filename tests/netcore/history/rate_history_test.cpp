#include "netcore/history/rate_history.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <vector>

namespace wirelark {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr uint64_t kMaxBytes = std::numeric_limits<uint64_t>::max();

// A whole UTC hour, well after the reference date.
constexpr Instant kHour = 3600.0 * 200'000;

RateHistory standardHistory() {
    return RateHistory(RateHistory::kStandardRetention);
}

// The brute-force answer: every sample the predicate selects, summed one by one.
RateAggregate sumOf(const std::vector<RateSample>& samples,
                    const std::function<bool(const RateSample&)>& selected) {
    RateAggregate total;
    for (const RateSample& sample : samples) {
        if (!selected(sample)) {
            continue;
        }
        total.seconds += sample.duration;
        total.bytesIn = saturatingAdd(total.bytesIn, sample.bytesIn);
        total.bytesOut = saturatingAdd(total.bytesOut, sample.bytesOut);
        total.minIn = std::min(total.minIn, sample.rateIn());
        total.maxIn = std::max(total.maxIn, sample.rateIn());
        total.minOut = std::min(total.minOut, sample.rateOut());
        total.maxOut = std::max(total.maxOut, sample.rateOut());
    }
    return total;
}

// Samples of the given length back to back, ending at first, first + step, ...; the byte counts
// vary so that each rate minimum and maximum lies on a different sample.
std::vector<RateSample> feed(Instant first, double step, std::size_t count) {
    std::vector<RateSample> samples;
    samples.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        samples.push_back(RateSample{first + step * static_cast<double>(i), step,
                                     (i * 7919) % 100'003, (i * 104'729) % 65'537});
    }
    return samples;
}

TEST(RateHistoryTest, StandardLayoutIsThreeEmptyTiers) {
    const RateHistory history(RateHistory::Retention{1, 2, 3});
    ASSERT_EQ(history.tiers().size(), 3u);
    EXPECT_EQ(history.tiers()[0], (Tier{0, 1, {}}));
    EXPECT_EQ(history.tiers()[1], (Tier{60, 2, {}}));
    EXPECT_EQ(history.tiers()[2], (Tier{3600, 3, {}}));
    EXPECT_TRUE(history.isEmpty());
    EXPECT_FALSE(history.hasTraffic());
}

TEST(RateHistoryTest, SamplesWithoutAPositiveFiniteDurationOrEndAreIgnored) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const RateSample ignored[] = {
        {kHour, 0, 100, 100},          {kHour, -1, 100, 100}, {kHour, nan, 100, 100},
        {kHour, kInfinity, 100, 100},  {nan, 1, 100, 100},    {kInfinity, 1, 100, 100},
        {kHour, 1e-320, kMaxBytes, 0}, // the rate would not be finite
    };
    for (const RateSample& sample : ignored) {
        RateHistory history = standardHistory();
        history.add(sample);
        EXPECT_TRUE(history.isEmpty()) << sample.end << " " << sample.duration;
    }
}

TEST(RateHistoryTest, SamplesMergeIntoTheSlotHoldingTheirEnd) {
    RateHistory history = standardHistory();
    history.add({kHour + 30, 5, 500, 50});   // 100 B/s in
    history.add({kHour + 59.9, 2, 800, 0});  // 400 B/s in
    history.add({kHour + 60, 4, 400, 40});   // exactly on the next minute
    history.add({kHour + 3600.5, 2, 20, 2}); // began in the previous hour

    const std::vector<Tier> tiers = history.tiers();
    const auto& raw = tiers[0].buckets;
    ASSERT_EQ(raw.size(), 4u);
    EXPECT_EQ(raw[1], (Bucket{kHour + 59.9, 2, 800, 0, 400, 400, 0, 0}));

    const auto& minutes = tiers[1].buckets;
    ASSERT_EQ(minutes.size(), 3u);
    EXPECT_EQ(minutes[0], (Bucket{kHour, 7, 1300, 50, 100, 400, 0, 10}));
    EXPECT_EQ(minutes[1].start, kHour + 60);
    EXPECT_EQ(minutes[1].seconds, 4);
    EXPECT_EQ(minutes[2].start, kHour + 3600);

    const auto& hours = tiers[2].buckets;
    ASSERT_EQ(hours.size(), 2u);
    EXPECT_EQ(hours[0], (Bucket{kHour, 11, 1700, 90, 100, 400, 0, 10}));
    EXPECT_EQ(hours[1], (Bucket{kHour + 3600, 2, 20, 2, 10, 10, 1, 1}));
    EXPECT_TRUE(history.hasTraffic());
}

TEST(RateHistoryTest, ByteSumsSaturate) {
    RateHistory history = standardHistory();
    history.add({kHour + 10, 1e9, kMaxBytes - 5, 1});
    history.add({kHour + 20, 1e9, 10, 1});
    EXPECT_EQ(history.tiers()[1].buckets.at(0).bytesIn, kMaxBytes);
    EXPECT_EQ(history.tiers()[1].buckets.at(0).bytesOut, 2u);
    const RateAggregate total = history.aggregate(600, kHour + 30);
    EXPECT_EQ(total.bytesIn, kMaxBytes);
    EXPECT_EQ(total.bytesOut, 2u);
}

TEST(RateHistoryTest, PruneDropsBucketsThatEndedARetentionAgo) {
    RateHistory history = standardHistory();
    const Instant now = kHour + 90600;     // the minute cutoff falls on kHour + 600
    history.add({kHour + 540.5, 1, 1, 1}); // minute slot ends exactly at the cutoff
    history.add({kHour + 600.5, 1, 1, 1}); // minute slot ends 60 s after it
    history.add({now - 3600, 1, 1, 1});    // raw start exactly at the cutoff
    history.add({now - 3599, 1, 1, 1});
    history.prune(now);
    ASSERT_EQ(history.tiers()[0].buckets.size(), 1u);
    EXPECT_EQ(history.tiers()[0].buckets[0].start, now - 3599);
    ASSERT_EQ(history.tiers()[1].buckets.size(), 2u);
    EXPECT_EQ(history.tiers()[1].buckets[0].start, kHour + 600);
    history.prune(now + 59);
    EXPECT_EQ(history.tiers()[1].buckets.size(), 2u);
    history.prune(now + 60);
    ASSERT_EQ(history.tiers()[1].buckets.size(), 1u);
    EXPECT_EQ(history.tiers()[2].buckets.size(), 2u);
    history.prune(now + 1e9);
    EXPECT_TRUE(history.isEmpty());
}

TEST(RateHistoryTest, RecentSamplesAreTheNewestRawBucketsOldestFirst) {
    RateHistory history = standardHistory();
    const auto samples = feed(kHour + 5, 5, 10);
    for (const RateSample& sample : samples) {
        history.add(sample);
    }
    EXPECT_EQ(history.recentSamples(60), samples);
    EXPECT_EQ(history.recentSamples(3), std::vector<RateSample>(samples.end() - 3, samples.end()));
    EXPECT_TRUE(history.recentSamples(0).empty());
    EXPECT_TRUE(history.recentSamples(-1).empty());
    EXPECT_TRUE(RateHistory().recentSamples(5).empty());
}

TEST(RateHistoryTest, AggregateCases) {
    // Three hours of 5-second samples, starting off the minute.
    const auto samples = feed(kHour + 17, 5, 3 * 720);
    const Instant now = samples.back().end;
    RateHistory history = standardHistory();
    for (const RateSample& sample : samples) {
        history.add(sample);
    }
    history.prune(now);

    struct Case {
        const char* name;
        double period;
        std::function<bool(const RateSample&)> selected;
    };
    const Case cases[] = {
        {"nothing in a zero period", 0, [](const RateSample&) { return false; }},
        {"600 s from the raw tier alone", 600,
         [&](const RateSample& s) { return s.end > now - 600; }},
        {"the raw hour", 3600, [&](const RateSample& s) { return s.end > now - 3600; }},
        {"two hours leave out the minute that straddles their start", 7200,
         [&](const RateSample& s) { return s.end >= 60 * std::ceil((now - 7200) / 60); }},
        {"90 days on a 3-hour history count every sample once", 7776000,
         [](const RateSample&) { return true; }},
        {"beyond any retention", 1e12, [](const RateSample&) { return true; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(history.aggregate(c.period, now), sumOf(samples, c.selected));
    }
    EXPECT_DOUBLE_EQ(history.aggregate(7776000, now).seconds, 3 * 3600);

    const RateAggregate empty = standardHistory().aggregate(86400, now);
    EXPECT_EQ(empty, RateAggregate{});
    EXPECT_TRUE(empty.isEmpty());
    EXPECT_EQ(empty.minIn, kInfinity);
    EXPECT_EQ(empty.averageIn(), 0);
    EXPECT_EQ(history.aggregate(std::numeric_limits<double>::quiet_NaN(), now), RateAggregate{});
}

// Checks that the aggregate over each period adds up exactly the newest samples back to a point
// inside the period, leaving out at most the hour slot that straddles its start, and nothing at
// all from a period that the raw samples cover. The samples are back to back, step seconds long.
void expectEachSampleCountedOnce(const RateHistory& history, const std::vector<RateSample>& samples,
                                 Instant now, double step) {
    for (double period : {60.0, 600.0, 3000.0, 3600.0, 5400.0, 86400.0, 90000.0, 604800.0,
                          2592000.0, 7776000.0, 1e10}) {
        SCOPED_TRACE(period);
        const Instant from = now - period;
        const RateAggregate total = history.aggregate(period, now);
        const auto counted = static_cast<std::size_t>(total.seconds / step);
        ASSERT_EQ(static_cast<double>(counted) * step, total.seconds);
        ASSERT_LE(counted, samples.size());
        const std::size_t firstCounted = samples.size() - counted;
        if (counted > 0) {
            EXPECT_EQ(total, sumOf(samples, [&](const RateSample& s) {
                          return s.end >= samples[firstCounted].end;
                      }));
            EXPECT_GT(samples[firstCounted].end, from);
        }
        const Instant retained = now - RateHistory::kStandardRetention.hour - 3600;
        for (std::size_t i = 0; i < firstCounted; ++i) {
            if (samples[i].end > std::max(from, retained)) {
                EXPECT_LT(samples[i].end, from + 3600) << "dropped sample " << i;
                EXPECT_GT(period, 3000) << "dropped sample " << i;
            }
        }
    }
}

// Ninety days fed day by day and pruned as the monitor does.
TEST(RateHistoryTest, NinetyDayAggregatesMatchTheRawSamples) {
    constexpr double kStep = 30;
    constexpr std::size_t kPerDay = 86400 / 30;
    const auto samples = feed(kHour + 7.25, kStep, 91 * kPerDay);
    RateHistory history = standardHistory();
    for (std::size_t i = 0; i < samples.size(); ++i) {
        history.add(samples[i]);
        if ((i + 1) % kPerDay == 0) {
            history.prune(samples[i].end);
        }
    }
    const Instant now = samples.back().end + 3;
    history.prune(now);
    expectEachSampleCountedOnce(history, samples, now, kStep);
}

// Young histories, whose minute data does not reach back to a whole hour, once counted the
// newest samples twice: in the raw tier and again in the current hour bucket.
TEST(RateHistoryTest, YoungHistoriesCountEachSampleOnce) {
    for (double age : {20.0, 300.0, 1800.0, 3500.0, 3700.0, 7200.0, 90000.0, 93600.0}) {
        SCOPED_TRACE(age);
        const auto samples = feed(kHour + 1234.5, 10, static_cast<std::size_t>(age / 10));
        const Instant now = samples.back().end + 1;
        RateHistory history = standardHistory();
        for (const RateSample& sample : samples) {
            history.add(sample);
        }
        history.prune(now);
        expectEachSampleCountedOnce(history, samples, now, 10);
    }
}

TEST(RateHistoryTest, ApplyKeepsThreeTiersAndReplacesAnOddLayout) {
    RateHistory history = standardHistory();
    history.add({kHour + 5, 5, 100, 100});
    history.apply({10, 20, 30});
    ASSERT_EQ(history.tiers().size(), 3u);
    EXPECT_EQ(history.tiers()[0].retention, 10);
    EXPECT_EQ(history.tiers()[1].retention, 20);
    EXPECT_EQ(history.tiers()[2].retention, 30);
    EXPECT_EQ(history.tiers()[2].granularity, 3600);
    EXPECT_EQ(history.tiers()[1].buckets.size(), 1u);

    RateHistory odd({Tier{0, 100, {}}, Tier{60, 200, {}}});
    odd.add({kHour + 5, 5, 100, 100});
    odd.apply({10, 20, 30});
    EXPECT_EQ(odd, RateHistory({10, 20, 30}));
}

TEST(RateHistoryTest, OddLayoutsNeverCountASampleTwice) {
    const auto samples = feed(kHour + 1, 10, 720);
    const Instant now = samples.back().end;
    struct Case {
        const char* name;
        std::vector<Tier> tiers;
    };
    const Case cases[] = {
        {"raw only", {Tier{0, 1e9, {}}}},
        {"two raw tiers", {Tier{0, 600, {}}, Tier{0, 1e9, {}}}},
        {"minutes then raw", {Tier{60, 1e9, {}}, Tier{0, 1e9, {}}}},
        {"hours only", {Tier{3600, 1e9, {}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RateHistory history(c.tiers);
        for (const RateSample& sample : samples) {
            history.add(sample);
        }
        history.prune(now);
        const RateAggregate total = history.aggregate(1e9, now);
        EXPECT_LE(total.seconds, 7200);
        EXPECT_LE(total.bytesIn, sumOf(samples, [](const RateSample&) { return true; }).bytesIn);
    }
}

} // namespace
} // namespace wirelark
