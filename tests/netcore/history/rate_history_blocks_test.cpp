#include "netcore/history/rate_history.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

namespace wirelark {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr Instant kHour = 3600.0 * 200'000;

// The plain walk over every bucket of every tier, newest first, that aggregate() must agree with.
RateAggregate walkedAggregate(const std::vector<Tier>& tiers, double period, Instant now) {
    RateAggregate total;
    const Instant from = now - period;
    if (std::isnan(from)) {
        return total;
    }
    double until = kInfinity;
    for (std::size_t i = 0; i < tiers.size(); ++i) {
        const Tier& tier = tiers[i];
        if (tier.buckets.empty()) {
            continue;
        }
        const double g = tier.granularity;
        double handOverAt = from;
        if (i + 1 < tiers.size()) {
            const double coarser = tiers[i + 1].granularity;
            const Instant first = tier.buckets.front().start;
            if (coarser <= first - from) {
                handOverAt = coarser > 0 ? coarser * std::ceil(first / coarser) : first;
            }
        }
        const bool shortOfSlot = handOverAt > until;
        const double boundary = shortOfSlot ? from : handOverAt;
        Instant oldestCounted = until;
        bool reachedBoundary = false;
        for (auto it = tier.buckets.rbegin(); it != tier.buckets.rend(); ++it) {
            if (g == 0 ? until <= it->start : until < it->start + g) {
                continue;
            }
            if (it->start < boundary || (g == 0 && it->start <= from)) {
                reachedBoundary = true;
                break;
            }
            total.seconds += it->seconds;
            total.bytesIn = saturatingAdd(total.bytesIn, it->bytesIn);
            total.bytesOut = saturatingAdd(total.bytesOut, it->bytesOut);
            total.minIn = std::min(total.minIn, it->minIn);
            total.maxIn = std::max(total.maxIn, it->maxIn);
            total.minOut = std::min(total.minOut, it->minOut);
            total.maxOut = std::max(total.maxOut, it->maxOut);
            oldestCounted = it->start;
        }
        if (shortOfSlot ? reachedBoundary : boundary <= from) {
            return total;
        }
        until = shortOfSlot ? oldestCounted : boundary;
    }
    return total;
}

bool sameBits(double a, double b) {
    return std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b);
}

// Byte counts and rate bounds are exact; the measured seconds are summed in another grouping
// and may differ in the last bits.
void expectAgrees(const RateHistory& history, double period, Instant now) {
    SCOPED_TRACE(testing::Message() << "period " << period << ", now " << now);
    const RateAggregate got = history.aggregate(period, now);
    const RateAggregate want = walkedAggregate(history.tiers(), period, now);
    EXPECT_EQ(got.bytesIn, want.bytesIn);
    EXPECT_EQ(got.bytesOut, want.bytesOut);
    EXPECT_TRUE(sameBits(got.minIn, want.minIn)) << got.minIn << " " << want.minIn;
    EXPECT_TRUE(sameBits(got.maxIn, want.maxIn)) << got.maxIn << " " << want.maxIn;
    EXPECT_TRUE(sameBits(got.minOut, want.minOut)) << got.minOut << " " << want.minOut;
    EXPECT_TRUE(sameBits(got.maxOut, want.maxOut)) << got.maxOut << " " << want.maxOut;
    if (std::isfinite(want.seconds)) {
        EXPECT_NEAR(got.seconds, want.seconds, 1e-9 * std::max(1.0, std::abs(want.seconds)));
    } else {
        EXPECT_TRUE(sameBits(got.seconds, want.seconds)) << got.seconds << " " << want.seconds;
    }
}

class Checker {
public:
    explicit Checker(unsigned seed) : random_(seed) {}

    double uniform(double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(random_);
    }
    std::size_t below(std::size_t count) {
        return std::uniform_int_distribution<std::size_t>(0, count - 1)(random_);
    }

    // Several periods at instants around the newest sample.
    void check(const RateHistory& history, Instant newest) {
        const double periods[] = {0,
                                  1,
                                  60,
                                  600,
                                  3600,
                                  5400,
                                  86400,
                                  90000,
                                  604800,
                                  2592000,
                                  7776000,
                                  1e10,
                                  uniform(0, 4e6),
                                  uniform(0, 9e6)};
        for (int round = 0; round < 3; ++round) {
            const Instant now = newest + uniform(-7200, 7200);
            for (double period : periods) {
                expectAgrees(history, period, now);
            }
        }
    }

    RateSample sample(Instant end) {
        const double duration = below(4) == 0 ? uniform(0.5, 20) : 5 + uniform(-0.01, 0.01);
        const uint64_t huge = std::numeric_limits<uint64_t>::max() / 3;
        return RateSample{end, duration, below(50) == 0 ? huge : below(2'000'000),
                          below(50) == 0 ? huge : below(100'000)};
    }

private:
    std::mt19937 random_;
};

// Days of samples with the monitor's prunes, checked now and then while they are added, with
// and without clock steps back that leave the buckets out of order.
TEST(RateHistoryBlocksTest, AgreesWithTheWalkOverEveryBucket) {
    for (unsigned seed = 1; seed <= 6; ++seed) {
        SCOPED_TRACE(seed);
        Checker checker(seed);
        const bool stepsBack = seed % 3 == 0;
        RateHistory history(RateHistory::kStandardRetention);
        Instant end = kHour + checker.uniform(0, 3600);
        const std::size_t count = 5000 + checker.below(40000);
        for (std::size_t i = 0; i < count; ++i) {
            const RateSample sample = checker.sample(end);
            history.add(sample);
            end += stepsBack && checker.below(3000) == 0 ? -checker.uniform(10, 5000)
                                                         : sample.duration * 12;
            if (checker.below(20) == 0) {
                history.prune(end);
            }
            if (checker.below(1500) == 0) {
                checker.check(history, end);
            }
        }
        checker.check(history, end);
        const RateHistory copy = history;
        checker.check(copy, end);
    }
}

// The monitor's tick: a sample, a prune and the aggregates, with the prune now and then late.
TEST(RateHistoryBlocksTest, AgreesOnEveryTickOfTheMonitor) {
    Checker checker(7);
    RateHistory history(RateHistory::kStandardRetention);
    Instant end = kHour + 3;
    for (std::size_t i = 0; i < 30000; ++i) {
        history.add(checker.sample(end));
        end += 5;
    }
    for (std::size_t tick = 0; tick < 1500; ++tick) {
        history.add(checker.sample(end));
        if (checker.below(10) != 0) {
            history.prune(end);
        }
        for (double period : {60.0, 3600.0, 86400.0, 604800.0, 7776000.0}) {
            expectAgrees(history, period, end);
        }
        end += tick % 200 == 0 ? 600 : 5;
    }
}

// A search starts where the last one for its period ended, and sums of buckets that can no
// longer change are kept. Wherever the clock goes next, whatever was pruned meanwhile and
// whatever merged into the newest buckets, the answer is bit for bit the one of a history that
// never searched before.
TEST(RateHistoryBlocksTest, SearchesFromTheLastAnswerGiveTheAnswersOfAFreshSearch) {
    Checker checker(11);
    // The twin gets the same samples and prunes and is never searched.
    RateHistory history(RateHistory::kStandardRetention);
    RateHistory twin(RateHistory::kStandardRetention);
    const auto add = [&](const RateSample& sample) {
        history.add(sample);
        twin.add(sample);
    };
    Instant end = kHour;
    for (std::size_t i = 0; i < 60000; ++i) {
        add(checker.sample(end));
        end += 5;
    }
    const struct {
        const char* move;
        double by; // seconds from the last instant
        bool prune;
        bool merge; // a sample into the newest minute and hour buckets
    } moves[] = {
        {"the first search", 0, false, false},
        {"a tick later", 5, false, false},
        {"the same instant again", 0, false, false},
        {"a tick later with a prune", 5, true, false},
        {"a day back", -86400, false, false},
        {"a day forward again", 86400, false, false},
        {"before every bucket", -400 * 86400.0, false, false},
        {"after every bucket", 800 * 86400.0, false, false},
        {"back to the newest bucket", -400 * 86400.0, false, false},
        // The raw samples are all pruned: the newest minute and hour buckets are counted.
        {"an hour later, pruned", 3600, true, false},
        {"a sample merged into the newest buckets", 0, false, true},
        {"another one merged", 0, false, true},
        {"a second earlier", -1, false, false},
    };
    Instant now = end;
    for (const auto& m : moves) {
        SCOPED_TRACE(m.move);
        now += m.by;
        if (m.prune) {
            history.prune(now);
            twin.prune(now);
        }
        if (m.merge) {
            add(RateSample{twin.tiers()[1].buckets.back().start + 30, 5, 1000, 2000});
        }
        const RateHistory fresh = twin;
        for (double period : {0.0, 1.0, 60.0, 3600.0, 7200.0, 86400.0, 7776000.0, 1e10}) {
            SCOPED_TRACE(period);
            EXPECT_EQ(history.aggregate(period, now), fresh.aggregate(period, now));
        }
    }
}

// Histories made from tiers edited outside: buckets added, dropped or rewritten, and odd
// layouts.
TEST(RateHistoryBlocksTest, AgreesAfterDirectEdits) {
    Checker checker(42);
    RateHistory history(RateHistory::kStandardRetention);
    Instant end = kHour;
    for (std::size_t i = 0; i < 20000; ++i) {
        history.add(checker.sample(end));
        end += 60;
    }
    history.prune(end);
    checker.check(history, end);

    std::vector<Tier> tiers = history.tiers();
    std::vector<Bucket>& minutes = tiers[1].buckets;
    const auto checkEdited = [&] {
        history = RateHistory(tiers);
        checker.check(history, end);
    };
    minutes.erase(minutes.begin() + 100);
    checkEdited();
    minutes.front().bytesIn += 12345;
    minutes.front().maxIn = 1e12;
    checkEdited();
    minutes.insert(minutes.begin() + 50, minutes[300]);
    checkEdited();
    minutes.push_back(minutes[10]);
    checkEdited();
    tiers[2].buckets.pop_back();
    checkEdited();

    // Rates that are not plain numbers.
    const double odd[] = {std::numeric_limits<double>::quiet_NaN(), -0.0, -5.0, kInfinity};
    for (double value : odd) {
        SCOPED_TRACE(value);
        tiers[2].buckets[checker.below(tiers[2].buckets.size())].minOut = value;
        tiers[1].buckets[checker.below(tiers[1].buckets.size())].maxIn = value;
        tiers[0].buckets[checker.below(tiers[0].buckets.size())].start = value;
        checkEdited();
    }

    for (const std::vector<Tier>& layout :
         {std::vector<Tier>{Tier{0, 1e9, {}}},
          std::vector<Tier>{Tier{60, 1e9, {}}, Tier{0, 1e9, {}}},
          std::vector<Tier>{Tier{3600, 1e9, {}}, Tier{60, 1e9, {}}, Tier{3600, 1e9, {}}}}) {
        RateHistory other(layout);
        for (std::size_t i = 0; i < 3000; ++i) {
            other.add(checker.sample(kHour + 7.0 * static_cast<double>(i)));
        }
        checker.check(other, kHour + 21000);
    }
}

} // namespace
} // namespace wirelark
