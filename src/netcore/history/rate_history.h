#pragma once

#include "netcore/history/rate_sample.h"

#include <cstdint>
#include <functional>
#include <limits>
#include <mutex>
#include <vector>

namespace wirelark {

// The sum of the samples that fell into one slot of one tier.
struct Bucket {
    Instant start = 0; // slot start; in the raw tier, the sample's end
    double seconds = 0;
    uint64_t bytesIn = 0;
    uint64_t bytesOut = 0;
    double minIn = 0;
    double maxIn = 0;
    double minOut = 0;
    double maxOut = 0;

    bool operator==(const Bucket&) const = default;
};

// One resolution: granularity 0 keeps one bucket per sample.
struct Tier {
    double granularity = 0;
    double retention = 0;
    std::vector<Bucket> buckets; // oldest first

    bool operator==(const Tier&) const = default;
};

// Totals over one period. The minimums of an empty aggregate are +infinity, meaning no value.
struct RateAggregate {
    double seconds = 0; // measured time, not the period length
    uint64_t bytesIn = 0;
    uint64_t bytesOut = 0;
    double minIn = std::numeric_limits<double>::infinity();
    double maxIn = 0;
    double minOut = std::numeric_limits<double>::infinity();
    double maxOut = 0;

    bool isEmpty() const { return seconds == 0; }
    double averageIn() const { return seconds == 0 ? 0 : static_cast<double>(bytesIn) / seconds; }
    double averageOut() const { return seconds == 0 ? 0 : static_cast<double>(bytesOut) / seconds; }

    bool operator==(const RateAggregate&) const = default;
};

// Byte sums stop at the largest count rather than wrapping around.
constexpr uint64_t saturatingAdd(uint64_t a, uint64_t b) {
    uint64_t sum = 0;
    return __builtin_add_overflow(a, b, &sum) ? std::numeric_limits<uint64_t>::max() : sum;
}

// Sums over fixed runs of a tier's buckets, derived from the buckets.
struct TierBlocks {
    std::size_t size = 0;    // bucket count when last brought up to date
    std::size_t offset = 0;  // where the first block starts
    Bucket first;            // the oldest bucket then
    Bucket last;             // the newest bucket then
    bool usable = false;     // the blocks' starts ascend and no rate is NaN or negative zero
    bool tailUsable = false; // the same for the buckets after the blocks
    std::vector<Bucket> blocks;
    std::vector<Bucket> ends; // each block's first and last bucket
};

// The block sums of each tier of a history: never copied, and equal in every history.
class BlockSums {
public:
    BlockSums() = default;
    BlockSums(const BlockSums&) {}
    BlockSums& operator=(const BlockSums&);
    bool operator==(const BlockSums&) const { return true; }

    std::mutex mutex;
    std::vector<TierBlocks> tiers;
};

// One interface's samples at several resolutions, finest tier first. Only add(), prune() and
// apply() change the tiers, and aggregate()'s block sums follow those changes; a history made
// from given tiers starts without block sums, so its first aggregate() sums them afresh.
class RateHistory {
public:
    struct Retention {
        double raw = 0;
        double minute = 0;
        double hour = 0;
    };

    // What the monitor keeps: every sample for an hour, minutes for 25 hours, hours for 90 days.
    static constexpr Retention kStandardRetention{3600, 90000, 7776000};

    RateHistory() = default;
    // Three empty tiers: raw, per minute and per hour.
    explicit RateHistory(Retention retention);
    // These tiers as they are, finest first, as the history file holds them.
    explicit RateHistory(std::vector<Tier> tiers);

    const std::vector<Tier>& tiers() const { return tiers_; }

    // Adds the sample to every tier; samples without a positive, finite duration are ignored.
    void add(const RateSample& sample);
    // Drops the buckets that ended at least a tier's retention before now.
    void prune(Instant now);
    // The newest raw samples, oldest first.
    std::vector<RateSample> recentSamples(long count) const;
    // Totals over the last period seconds, each sample counted once across the tiers.
    RateAggregate aggregate(double period, Instant now) const;
    // Sets the retentions of a three-tier history, or starts over with the standard layout.
    void apply(Retention retention);

    bool isEmpty() const;
    bool hasTraffic() const;

    bool operator==(const RateHistory&) const = default;

private:
    std::vector<Tier> tiers_;
    mutable BlockSums blockSums_;
};

} // namespace wirelark

template <>
struct std::hash<wirelark::RateAggregate> {
    std::size_t operator()(const wirelark::RateAggregate& a) const noexcept;
};
