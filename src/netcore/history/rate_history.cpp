#include "netcore/history/rate_history.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace wirelark {

namespace {

// Where the tier at position i hands over to the coarser tier after it: the first whole slot of
// the coarser tier at or after this tier's oldest bucket, or the period start when that is close.
double handOver(const std::vector<TierStorage>& tiers, std::size_t i, Instant from) {
    if (i + 1 >= tiers.size()) {
        return from;
    }
    const double coarser = tiers[i + 1].granularity();
    const Instant first = tiers[i].start(0);
    if (!(coarser <= first - from)) {
        return from;
    }
    // A coarser tier without slots hands over at this tier's oldest bucket.
    return coarser > 0 ? coarser * std::ceil(first / coarser) : first;
}

// The first of the count oldest buckets whose start fails the test, the tier's starts
// ascending: every bucket before it passes, every one from it on fails. The search starts at
// `near`, in steps that double away from it, so an answer close to it costs a few reads.
template <typename Test>
std::size_t firstStartFailing(const TierStorage& tier, std::size_t count, std::size_t near,
                              Test test) {
    near = std::min(near, count);
    std::size_t low = 0;
    std::size_t high = count;
    if (near < count && test(tier.start(near))) {
        low = near + 1;
        for (std::size_t step = 1; low + step - 1 < high; step *= 2) {
            const std::size_t probe = low + step - 1;
            if (!test(tier.start(probe))) {
                high = probe;
                break;
            }
            low = probe + 1;
        }
    } else {
        high = near;
        for (std::size_t step = 1; step <= high; step *= 2) {
            const std::size_t probe = high - step;
            if (test(tier.start(probe))) {
                low = probe + 1;
                break;
            }
            high = probe;
        }
    }
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        if (test(tier.start(middle))) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    return low;
}

constexpr std::size_t kMostHintedPeriods = 16;

} // namespace

RateHistory::RateHistory(Retention retention)
    : tiers_{TierStorage(0, retention.raw), TierStorage(60, retention.minute),
             TierStorage(3600, retention.hour)} {}

RateHistory::RateHistory(const std::vector<Tier>& tiers) {
    tiers_.reserve(tiers.size());
    for (const Tier& tier : tiers) {
        tiers_.emplace_back(tier);
    }
}

std::vector<Tier> RateHistory::tiers() const {
    std::vector<Tier> tiers;
    tiers.reserve(tiers_.size());
    for (const TierStorage& tier : tiers_) {
        tiers.push_back(tier.tier());
    }
    return tiers;
}

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
    for (TierStorage& tier : tiers_) {
        tier.add(sample, rateIn, rateOut);
    }
}

void RateHistory::prune(Instant now) {
    for (TierStorage& tier : tiers_) {
        tier.prune(now);
    }
}

std::vector<RateSample> RateHistory::recentSamples(long count) const {
    if (tiers_.empty() || count <= 0) {
        return {};
    }
    const TierStorage& raw = tiers_.front();
    const std::size_t taken = std::min(raw.size(), static_cast<std::size_t>(count));
    std::vector<RateSample> samples;
    samples.reserve(taken);
    for (std::size_t i = raw.size() - taken; i < raw.size(); ++i) {
        const RateAggregate& totals = raw.totals(i);
        samples.push_back(
            RateSample{raw.start(i), totals.seconds, totals.bytesIn, totals.bytesOut});
    }
    return samples;
}

std::vector<RateHistory::SearchHint>& RateHistory::hintsFor(double period) const {
    auto found = std::find_if(hints_.begin(), hints_.end(), [period](const PeriodHints& hints) {
        return hints.period == period;
    });
    if (found == hints_.end()) {
        // The display asks for a few periods; a caller going through many keeps only the last.
        if (hints_.size() >= kMostHintedPeriods) {
            hints_.erase(hints_.begin());
        }
        found = hints_.insert(hints_.end(), {period, {}});
    }
    found->tiers.resize(tiers_.size());
    return found->tiers;
}

const RateAggregate& RateHistory::finalSum(std::size_t i, uint64_t first, uint64_t last,
                                           FinalSum& kept) const {
    for (const PeriodHints& hints : hints_) {
        if (i >= hints.tiers.size()) {
            continue;
        }
        const FinalSum& summed = hints.tiers[i].summed;
        if (summed.first == first && summed.last == last) {
            if (&summed != &kept) {
                kept = summed;
            }
            return kept.sum;
        }
    }
    const TierStorage& tier = tiers_[i];
    kept = {first, last, tier.sum(first - tier.firstNumber(), last - tier.firstNumber())};
    return kept.sum;
}

RateAggregate RateHistory::aggregate(double period, Instant now) const {
    RateAggregate total;
    const Instant from = now - period;
    // Every comparison with a missing period start fails, which would count buckets twice.
    if (std::isnan(from)) {
        return total;
    }
    std::vector<SearchHint>& hints = hintsFor(period);
    double until = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < tiers_.size(); ++i) {
        const TierStorage& tier = tiers_[i];
        if (tier.isEmpty()) {
            continue;
        }
        const double g = tier.granularity();
        // When this tier's data does not reach back to a whole slot of the next tier that lies
        // before what the finer tiers counted (a history younger than that slot), handing over
        // on that slot would make the next tier count those samples again. This tier then
        // counts all it has in the period, and the next tier only what lies before that.
        const double handOverAt = handOver(tiers_, i, from);
        const bool shortOfSlot = handOverAt > until;
        const double boundary = shortOfSlot ? from : handOverAt;
        const auto countedBefore = [&](Instant start) {
            return g == 0 ? until <= start : until < start + g;
        };
        const auto beyondBoundary = [&](Instant start) {
            return start < boundary || (g == 0 && start <= from);
        };
        Instant oldestCounted = until;
        bool reachedBoundary = false;
        if (tier.isOrderedAndPlain()) {
            // With starts in order, the buckets counted are one run, found by searching from
            // where the last call found it.
            SearchHint& hint = hints[i];
            const auto indexOf = [&](uint64_t number) {
                return number < tier.firstNumber() ? 0 : number - tier.firstNumber();
            };
            const std::size_t newest =
                firstStartFailing(tier, tier.size(), indexOf(hint.newest),
                                  [&](Instant start) { return !countedBefore(start); });
            const std::size_t oldest =
                firstStartFailing(tier, newest, indexOf(hint.oldest), beyondBoundary);
            hint.newest = tier.firstNumber() + newest;
            hint.oldest = tier.firstNumber() + oldest;
            reachedBoundary = oldest > 0;
            if (oldest < newest) {
                oldestCounted = tier.start(oldest);
                // Only the newest bucket may still change; the sum of the others is kept.
                const std::size_t finalEnd = std::min(newest, tier.size() - 1);
                RateAggregate counted;
                if (oldest < finalEnd) {
                    counted = finalSum(i, hint.oldest, tier.firstNumber() + finalEnd, hint.summed);
                }
                if (finalEnd < newest) {
                    absorb(counted, tier.totals(finalEnd));
                }
                absorb(total, counted);
            }
        } else {
            // After a clock step back the starts may be out of order: walk every bucket.
            for (std::size_t k = tier.size(); k > 0; --k) {
                const Instant start = tier.start(k - 1);
                if (countedBefore(start)) {
                    continue;
                }
                if (beyondBoundary(start)) {
                    reachedBoundary = true;
                    break;
                }
                absorb(total, tier.totals(k - 1));
                oldestCounted = start;
            }
        }
        if (shortOfSlot ? reachedBoundary : boundary <= from) {
            return total;
        }
        until = shortOfSlot ? oldestCounted : boundary;
    }
    return total;
}

void RateHistory::apply(Retention retention) {
    if (tiers_.size() == 3) {
        tiers_[0].setRetention(retention.raw);
        tiers_[1].setRetention(retention.minute);
        tiers_[2].setRetention(retention.hour);
    } else {
        *this = RateHistory(retention);
    }
}

bool RateHistory::isEmpty() const {
    return std::all_of(tiers_.begin(), tiers_.end(),
                       [](const TierStorage& tier) { return tier.isEmpty(); });
}

bool RateHistory::hasTraffic() const {
    return std::any_of(tiers_.begin(), tiers_.end(),
                       [](const TierStorage& tier) { return tier.hasTraffic(); });
}

} // namespace wirelark
