#pragma once

#include "netcore/history/rate_bucket.h"
#include "netcore/history/rate_sample.h"
#include "netcore/history/tier_storage.h"

#include <cstdint>
#include <vector>

namespace wirelark {

// One interface's samples at several resolutions, finest tier first.
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
    explicit RateHistory(const std::vector<Tier>& tiers);

    // A copy of the tiers as the history file holds them.
    std::vector<Tier> tiers() const;

    // Adds the sample to every tier; samples without a positive, finite duration are ignored.
    void add(const RateSample& sample);
    // Drops the buckets that ended at least a tier's retention before now.
    void prune(Instant now);
    // The newest raw samples, oldest first.
    std::vector<RateSample> recentSamples(long count) const;
    // Totals over the last period seconds, each sample counted once across the tiers. The
    // searches for a period's buckets start where the last call for that period found them, a
    // tick ago as a rule, and sums of buckets that can no longer change are kept for the next
    // call; so, although const, two threads must not call it on one history at once.
    RateAggregate aggregate(double period, Instant now) const;
    // Sets the retentions of a three-tier history, or starts over with the standard layout.
    void apply(Retention retention);

    bool isEmpty() const;
    bool hasTraffic() const;

    bool operator==(const RateHistory& other) const { return tiers_ == other.tiers_; }

private:
    // The sum of a tier's buckets numbered from first up to last, all final: no sample merges
    // into them any more.
    struct FinalSum {
        uint64_t first = 0;
        uint64_t last = 0;
        RateAggregate sum;
    };
    // Where the last aggregate over a period found the newest and the oldest bucket it counted
    // in each tier, by bucket number, which a prune leaves unchanged, and the sum of the final
    // ones among them.
    struct SearchHint {
        uint64_t newest = 0;
        uint64_t oldest = 0;
        FinalSum summed;
    };
    struct PeriodHints {
        double period = 0;
        std::vector<SearchHint> tiers;
    };

    std::vector<SearchHint>& hintsFor(double period) const;
    // The sum of tier i's final buckets numbered from first up to last, taken from the hint of
    // any period that summed the same buckets, else summed now; kept in `kept` either way.
    const RateAggregate& finalSum(std::size_t i, uint64_t first, uint64_t last,
                                  FinalSum& kept) const;

    std::vector<TierStorage> tiers_;
    mutable std::vector<PeriodHints> hints_;
};

} // namespace wirelark
