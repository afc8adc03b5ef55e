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
    // tick ago as a rule; so, although const, two threads must not call it on one history at
    // once.
    RateAggregate aggregate(double period, Instant now) const;
    // Sets the retentions of a three-tier history, or starts over with the standard layout.
    void apply(Retention retention);

    bool isEmpty() const;
    bool hasTraffic() const;

    bool operator==(const RateHistory& other) const { return tiers_ == other.tiers_; }

private:
    // Where the last aggregate over a period found the newest and the oldest bucket it counted
    // in each tier, by bucket number, which a prune leaves unchanged.
    struct SearchHint {
        uint64_t newest = 0;
        uint64_t oldest = 0;
    };
    struct PeriodHints {
        double period = 0;
        std::vector<SearchHint> tiers;
    };

    std::vector<SearchHint>& hintsFor(double period) const;

    std::vector<TierStorage> tiers_;
    mutable std::vector<PeriodHints> hints_;
};

} // namespace wirelark
