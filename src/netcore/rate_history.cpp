#include "netcore/rate_history.h"

#include "netcore/interface_snapshot.h"

#include <algorithm>
#include <cmath>

namespace wirelark {

namespace {

void absorb(Bucket& bucket, const RateSample& sample, double rateIn, double rateOut) {
    bucket.seconds += sample.duration;
    bucket.bytesIn = saturatingAdd(bucket.bytesIn, sample.bytesIn);
    bucket.bytesOut = saturatingAdd(bucket.bytesOut, sample.bytesOut);
    bucket.minIn = std::min(bucket.minIn, rateIn);
    bucket.maxIn = std::max(bucket.maxIn, rateIn);
    bucket.minOut = std::min(bucket.minOut, rateOut);
    bucket.maxOut = std::max(bucket.maxOut, rateOut);
}

void absorb(RateAggregate& total, const Bucket& bucket) {
    total.seconds += bucket.seconds;
    total.bytesIn = saturatingAdd(total.bytesIn, bucket.bytesIn);
    total.bytesOut = saturatingAdd(total.bytesOut, bucket.bytesOut);
    total.minIn = std::min(total.minIn, bucket.minIn);
    total.maxIn = std::max(total.maxIn, bucket.maxIn);
    total.minOut = std::min(total.minOut, bucket.minOut);
    total.maxOut = std::max(total.maxOut, bucket.maxOut);
}

void addToTier(Tier& tier, const RateSample& sample, double rateIn, double rateOut) {
    const double g = tier.granularity;
    const Instant start = g != 0 ? g * std::floor(sample.end / g) : sample.end;
    // A stored layout with an unusable granularity must not put a start into the file that
    // would make it unreadable.
    if (!std::isfinite(start)) {
        return;
    }
    if (g != 0 && !tier.buckets.empty() && tier.buckets.back().start == start) {
        absorb(tier.buckets.back(), sample, rateIn, rateOut);
        return;
    }
    tier.buckets.push_back(Bucket{start, sample.duration, sample.bytesIn, sample.bytesOut, rateIn,
                                  rateIn, rateOut, rateOut});
}

// Where the tier at position i hands over to the coarser tier after it: the first whole slot of
// the coarser tier at or after this tier's oldest bucket, or the period start when that is close.
double handOver(const std::vector<Tier>& tiers, std::size_t i, Instant from) {
    if (i + 1 >= tiers.size()) {
        return from;
    }
    const double coarser = tiers[i + 1].granularity;
    const Instant first = tiers[i].buckets.front().start;
    if (!(coarser <= first - from)) {
        return from;
    }
    // A coarser tier without slots hands over at this tier's oldest bucket.
    return coarser > 0 ? coarser * std::ceil(first / coarser) : first;
}

} // namespace

RateHistory::RateHistory(Retention retention)
    : tiers{Tier{0, retention.raw, {}}, Tier{60, retention.minute, {}},
            Tier{3600, retention.hour, {}}} {}

void RateHistory::add(const RateSample& sample) {
    if (!(sample.duration > 0)) {
        return;
    }
    const double rateIn = sample.rateIn();
    const double rateOut = sample.rateOut();
    // Such a value could not be read back from the history file.
    if (!std::isfinite(sample.end) || !std::isfinite(sample.duration) || !std::isfinite(rateIn) ||
        !std::isfinite(rateOut)) {
        return;
    }
    for (Tier& tier : tiers) {
        addToTier(tier, sample, rateIn, rateOut);
    }
}

void RateHistory::prune(Instant now) {
    for (Tier& tier : tiers) {
        const double cutoff = now - tier.retention;
        const double g = tier.granularity;
        const auto firstKept =
            std::find_if(tier.buckets.begin(), tier.buckets.end(), [&](const Bucket& bucket) {
                return cutoff < (g == 0 ? bucket.start : bucket.start + g);
            });
        tier.buckets.erase(tier.buckets.begin(), firstKept);
    }
}

std::vector<RateSample> RateHistory::recentSamples(long count) const {
    if (tiers.empty() || count <= 0) {
        return {};
    }
    const auto& buckets = tiers.front().buckets;
    const std::size_t taken = std::min(buckets.size(), static_cast<std::size_t>(count));
    std::vector<RateSample> samples;
    samples.reserve(taken);
    for (auto it = buckets.end() - static_cast<std::ptrdiff_t>(taken); it != buckets.end(); ++it) {
        samples.push_back(RateSample{it->start, it->seconds, it->bytesIn, it->bytesOut});
    }
    return samples;
}

RateAggregate RateHistory::aggregate(double period, Instant now) const {
    RateAggregate total;
    const Instant from = now - period;
    // Every comparison with a missing period start fails, which would count buckets twice.
    if (std::isnan(from)) {
        return total;
    }
    double until = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < tiers.size(); ++i) {
        const Tier& tier = tiers[i];
        if (tier.buckets.empty()) {
            continue;
        }
        const double g = tier.granularity;
        // When this tier's data does not reach back to a whole slot of the next tier that lies
        // before what the finer tiers counted (a history younger than that slot), handing over
        // on that slot would make the next tier count those samples again. This tier then
        // counts all it has in the period, and the next tier only what lies before that.
        const double handOverAt = handOver(tiers, i, from);
        const bool shortOfSlot = handOverAt > until;
        const double boundary = shortOfSlot ? from : handOverAt;
        Instant oldestCounted = until;
        bool reachedBoundary = false;
        for (auto it = tier.buckets.rbegin(); it != tier.buckets.rend(); ++it) {
            const Bucket& bucket = *it;
            // Already counted by a finer tier.
            if (g == 0 ? until <= bucket.start : until < bucket.start + g) {
                continue;
            }
            if (bucket.start < boundary || (g == 0 && bucket.start <= from)) {
                reachedBoundary = true;
                break;
            }
            absorb(total, bucket);
            oldestCounted = bucket.start;
        }
        if (shortOfSlot ? reachedBoundary : boundary <= from) {
            return total;
        }
        until = shortOfSlot ? oldestCounted : boundary;
    }
    return total;
}

void RateHistory::apply(Retention retention) {
    if (tiers.size() == 3) {
        tiers[0].retention = retention.raw;
        tiers[1].retention = retention.minute;
        tiers[2].retention = retention.hour;
    } else {
        *this = RateHistory(retention);
    }
}

bool RateHistory::isEmpty() const {
    return std::all_of(tiers.begin(), tiers.end(),
                       [](const Tier& tier) { return tier.buckets.empty(); });
}

bool RateHistory::hasTraffic() const {
    return std::any_of(tiers.begin(), tiers.end(), [](const Tier& tier) {
        return std::any_of(tier.buckets.begin(), tier.buckets.end(), [](const Bucket& bucket) {
            return bucket.bytesIn != 0 || bucket.bytesOut != 0;
        });
    });
}

} // namespace wirelark

std::size_t
std::hash<wirelark::RateAggregate>::operator()(const wirelark::RateAggregate& a) const noexcept {
    std::size_t seed = std::hash<uint64_t>{}(a.bytesIn);
    wirelark::hashCombine(seed, std::hash<uint64_t>{}(a.bytesOut));
    for (double value : {a.seconds, a.minIn, a.maxIn, a.minOut, a.maxOut}) {
        wirelark::hashCombine(seed, std::hash<double>{}(value));
    }
    return seed;
}
