#include "netcore/history/tier_storage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace wirelark {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr Instant kHour = 3600.0 * 200'000;
constexpr std::size_t kRun = TierStorage::kRun;
constexpr std::size_t kBlock = TierStorage::kBlock;

// The plain vector of buckets the storage must always equal: append or merge into the last
// bucket, drop from the front.
struct PlainTier {
    Tier tier;

    void add(const RateSample& sample) {
        const double g = tier.granularity;
        const Instant start = g != 0 ? g * std::floor(sample.end / g) : sample.end;
        const double rateIn = sample.rateIn();
        const double rateOut = sample.rateOut();
        auto& buckets = tier.buckets;
        if (g != 0 && !buckets.empty() && buckets.back().start == start) {
            absorb(buckets.back(), RateAggregate{sample.duration, sample.bytesIn, sample.bytesOut,
                                                 rateIn, rateIn, rateOut, rateOut});
            return;
        }
        buckets.push_back(Bucket{start, sample.duration, sample.bytesIn, sample.bytesOut, rateIn,
                                 rateIn, rateOut, rateOut});
    }

    void prune(Instant now) {
        const double cutoff = now - tier.retention;
        const double g = tier.granularity;
        auto& buckets = tier.buckets;
        buckets.erase(buckets.begin(),
                      std::find_if(buckets.begin(), buckets.end(), [&](const Bucket& bucket) {
                          return cutoff < (g == 0 ? bucket.start : bucket.start + g);
                      }));
    }

    bool isOrderedAndPlain() const {
        const auto plain = [](double rate) {
            return !std::isnan(rate) &&
                   std::bit_cast<uint64_t>(rate) != std::bit_cast<uint64_t>(-0.0);
        };
        const auto& buckets = tier.buckets;
        for (std::size_t i = 0; i < buckets.size(); ++i) {
            const Bucket& b = buckets[i];
            if (std::isnan(b.start) || !plain(b.minIn) || !plain(b.maxIn) || !plain(b.minOut) ||
                !plain(b.maxOut) || (i > 0 && !(buckets[i - 1].start <= b.start))) {
                return false;
            }
        }
        return true;
    }

    RateAggregate sum(std::size_t first, std::size_t last) const {
        RateAggregate total;
        for (std::size_t k = last; k > first; --k) {
            absorb(total, tier.buckets[k - 1]);
        }
        return total;
    }
};

bool sameBits(double a, double b) {
    return std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b);
}

// Range ends on both sides of every run and block edge, and at the two ends of the tier.
std::vector<std::size_t> edgesUpTo(std::size_t size) {
    std::vector<std::size_t> edges{0, std::min<std::size_t>(1, size), size / 2, size};
    for (std::size_t edge = kRun; edge <= size + 1; edge += kRun) {
        for (std::size_t at : {edge - 1, edge, edge + 1}) {
            if (at <= size && (edge % kBlock == 0 || edge % (7 * kRun) == 0)) {
                edges.push_back(at);
            }
        }
    }
    for (std::size_t back = 1; back <= 2 && back <= size; ++back) {
        edges.push_back(size - back);
    }
    return edges;
}

// Everything the layout keeps beside the buckets agrees with the plain vector: the buckets and
// their starts, the ordered-and-plain test, the sums over any range, and copies.
void expectSameAsPlain(const TierStorage& storage, const PlainTier& plain) {
    const Tier tier = storage.tier();
    ASSERT_EQ(tier.buckets.size(), plain.tier.buckets.size());
    EXPECT_EQ(storage.size(), tier.buckets.size());
    EXPECT_EQ(storage.isEmpty(), tier.buckets.empty());
    for (std::size_t i = 0; i < storage.size(); ++i) {
        const Bucket& got = tier.buckets[i];
        const Bucket& want = plain.tier.buckets[i];
        ASSERT_TRUE(sameBits(storage.start(i), want.start) && sameBits(got.start, want.start) &&
                    sameBits(got.seconds, want.seconds) && got.bytesIn == want.bytesIn &&
                    got.bytesOut == want.bytesOut && sameBits(got.minIn, want.minIn) &&
                    sameBits(got.maxIn, want.maxIn) && sameBits(got.minOut, want.minOut) &&
                    sameBits(got.maxOut, want.maxOut))
            << "bucket " << i;
    }
    EXPECT_EQ(storage.isOrderedAndPlain(), plain.isOrderedAndPlain());
    const std::vector<std::size_t> edges = edgesUpTo(storage.size());
    for (std::size_t first : edges) {
        for (std::size_t last : edges) {
            if (first > last) {
                continue;
            }
            SCOPED_TRACE(testing::Message() << "buckets " << first << " to " << last);
            const RateAggregate got = storage.sum(first, last);
            const RateAggregate want = plain.sum(first, last);
            EXPECT_EQ(got.bytesIn, want.bytesIn);
            EXPECT_EQ(got.bytesOut, want.bytesOut);
            if (plain.isOrderedAndPlain()) {
                EXPECT_TRUE(sameBits(got.minIn, want.minIn));
                EXPECT_TRUE(sameBits(got.maxIn, want.maxIn));
                EXPECT_TRUE(sameBits(got.minOut, want.minOut));
                EXPECT_TRUE(sameBits(got.maxOut, want.maxOut));
            }
            EXPECT_NEAR(got.seconds, want.seconds, 1e-9 * std::max(1.0, want.seconds));
        }
    }
    if (plain.isOrderedAndPlain()) {
        const TierStorage copy = storage;
        EXPECT_TRUE(copy == storage);
    }
}

struct LayoutCase {
    std::string name;
    double granularity;
    double retention;
    std::size_t samples;
    double step;                // seconds between sample ends
    std::size_t pruneEvery;     // samples between prunes
    std::size_t stepBackEvery;  // samples between clock steps back; 0 for none
    std::vector<Bucket> stored; // what the storage starts from
};

TEST(TierStorageTest, KeepsItsLayoutInStepWithThePlainBuckets) {
    const Bucket odd{kHour - 100, 5, 10, 20, kNaN, 2, -0.0, 4};
    const std::vector<LayoutCase> cases{
        {"raw, never pruned, growing", 0, 1e12, 700, 5, 1000, 0, {}},
        {"raw, pruned every tick, wrapping", 0, 3600, 3000, 5, 1, 0, {}},
        {"raw, pruned late, growing while wrapped", 0, 2000, 3000, 5, 97, 0, {}},
        {"raw, fewer buckets than a run", 0, 30, 400, 5, 1, 0, {}},
        {"raw, one run kept", 0, 80, 400, 5, 1, 0, {}},
        {"raw, one block kept", 0, 1280, 1500, 5, 1, 0, {}},
        {"minutes, merging", 60, 90000, 4000, 5, 3, 0, {}},
        {"minutes, odd steps", 60, 20000, 3000, 47, 1, 0, {}},
        {"raw, clock steps back", 0, 3600, 3000, 5, 2, 400, {}},
        {"minutes, clock steps back", 60, 9000, 3000, 13, 5, 350, {}},
        {"stored odd rates pruned away", 0, 3600, 1000, 5, 50, 0, {odd, odd}},
        {"stored NaN start", 60, 3600, 1000, 5, 50, 0, {Bucket{kNaN, 5, 1, 1, 1, 1, 1, 1}}},
        {"pruned empty, then refilled", 0, 50, 600, 5, 200, 0, {}},
    };
    for (const LayoutCase& row : cases) {
        SCOPED_TRACE(row.name);
        PlainTier plain{Tier{row.granularity, row.retention, row.stored}};
        TierStorage storage(plain.tier);
        expectSameAsPlain(storage, plain);
        Instant end = kHour;
        for (std::size_t i = 1; i <= row.samples; ++i) {
            const RateSample sample{end, row.step, (i * 7919) % 100'003, (i * 104'729) % 65'537};
            storage.add(sample, sample.rateIn(), sample.rateOut());
            plain.add(sample);
            const bool stepsBack = row.stepBackEvery != 0 && i % row.stepBackEvery == 0;
            end += stepsBack ? -row.step * 37 : row.step;
            if (i % row.pruneEvery == 0) {
                // A gap makes the prune empty a short tier.
                const Instant now = row.name.starts_with("pruned empty") ? end + 1000 : end;
                storage.prune(now);
                plain.prune(now);
                end = now;
            }
            if (i % 23 == 0 || i == row.samples) {
                expectSameAsPlain(storage, plain);
                if (HasFatalFailure()) {
                    return;
                }
            }
        }
    }
}

} // namespace
} // namespace wirelark
