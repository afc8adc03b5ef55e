#include "netcore/history/rate_history.h"

#include "netcore/base/hash_combine.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <utility>

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

// Also sums buckets into a block: byte sums saturate and the rate bounds are plain minimums and
// maximums, so blocks give the same counts and bounds as their buckets one by one.
template <typename Total>
void absorb(Total& total, const Bucket& bucket) {
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

constexpr std::size_t kBlock = 32;

bool isPlainRate(double rate) {
    return !std::isnan(rate) && std::bit_cast<uint64_t>(rate) != std::bit_cast<uint64_t>(-0.0);
}

// Bounds of such buckets are the same whatever order they are taken in.
bool isPlain(const Bucket& bucket) {
    return !std::isnan(bucket.start) && isPlainRate(bucket.minIn) && isPlainRate(bucket.maxIn) &&
           isPlainRate(bucket.minOut) && isPlainRate(bucket.maxOut);
}

// Whether the buckets from first on keep their starts in order and are plain.
bool orderedAndPlain(const std::vector<Bucket>& buckets, std::size_t first, std::size_t last) {
    for (std::size_t k = first; k < last; ++k) {
        if (!isPlain(buckets[k]) || (k > 0 && !(buckets[k - 1].start <= buckets[k].start))) {
            return false;
        }
    }
    return true;
}

// Sums up the buckets newest first into a total.
void absorbNewestFirst(RateAggregate& total, const std::vector<Bucket>& buckets, std::size_t first,
                       std::size_t last) {
    for (std::size_t k = last; k > first; --k) {
        absorb(total, buckets[k - 1]);
    }
}

} // namespace

BlockSums& BlockSums::operator=(const BlockSums&) {
    const std::lock_guard lock(mutex);
    tiers.clear();
    return *this;
}

RateHistory::RateHistory(Retention retention)
    : tiers_{Tier{0, retention.raw, {}}, Tier{60, retention.minute, {}},
             Tier{3600, retention.hour, {}}} {}

RateHistory::RateHistory(std::vector<Tier> tiers) : tiers_(std::move(tiers)) {}

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
    for (Tier& tier : tiers_) {
        addToTier(tier, sample, rateIn, rateOut);
    }
}

void RateHistory::prune(Instant now) {
    for (Tier& tier : tiers_) {
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
    if (tiers_.empty() || count <= 0) {
        return {};
    }
    const auto& buckets = tiers_.front().buckets;
    const std::size_t taken = std::min(buckets.size(), static_cast<std::size_t>(count));
    std::vector<RateSample> samples;
    samples.reserve(taken);
    for (auto it = buckets.end() - static_cast<std::ptrdiff_t>(taken); it != buckets.end(); ++it) {
        samples.push_back(RateSample{it->start, it->seconds, it->bytesIn, it->bytesOut});
    }
    return samples;
}

namespace {

std::size_t coveredEnd(const TierBlocks& sums) {
    return sums.offset + sums.blocks.size() * kBlock;
}

// Whether block j still has its first and last bucket where it was summed.
bool holds(const TierBlocks& sums, const std::vector<Bucket>& buckets, std::size_t j) {
    const std::size_t first = sums.offset + j * kBlock;
    return first + kBlock <= buckets.size() && buckets[first] == sums.ends[2 * j] &&
           buckets[first + kBlock - 1] == sums.ends[2 * j + 1];
}

// After a prune dropped the oldest buckets, keeps the blocks that are still whole.
bool realign(TierBlocks& sums, const std::vector<Bucket>& buckets) {
    if (!sums.usable || sums.blocks.empty()) {
        return false;
    }
    const std::size_t lastBlock = sums.blocks.size() - 1;
    const std::size_t was = sums.offset + lastBlock * kBlock;
    const Bucket& anchor = sums.ends[2 * lastBlock];
    const auto limit = buckets.begin() + static_cast<std::ptrdiff_t>(std::min(was, buckets.size()));
    const auto found =
        std::lower_bound(buckets.begin(), limit, anchor.start,
                         [](const Bucket& bucket, Instant start) { return bucket.start < start; });
    if (found == limit || !(*found == anchor)) {
        return false;
    }
    const auto dropped = was - static_cast<std::size_t>(found - buckets.begin());
    const std::size_t lost =
        dropped <= sums.offset ? 0 : (dropped - sums.offset + kBlock - 1) / kBlock;
    sums.blocks.erase(sums.blocks.begin(), sums.blocks.begin() + static_cast<std::ptrdiff_t>(lost));
    sums.ends.erase(sums.ends.begin(), sums.ends.begin() + static_cast<std::ptrdiff_t>(2 * lost));
    sums.offset = sums.offset + lost * kBlock - dropped;
    for (std::size_t j = 0; j < sums.blocks.size(); ++j) {
        if (!holds(sums, buckets, j)) {
            return false;
        }
    }
    return orderedAndPlain(buckets, 0, sums.offset + 1);
}

// Brings a tier's block sums up to date: blocks are added after the known ones, kept across a
// prune, and anything else starts over. The newest bucket, which adding changes in place, is
// never in a block.
void update(TierBlocks& sums, const std::vector<Bucket>& buckets) {
    const bool same = sums.size != 0 && buckets.front() == sums.first &&
                      (sums.blocks.empty() || holds(sums, buckets, sums.blocks.size() - 1));
    const bool kept = same || realign(sums, buckets);
    const bool sameTail = same && buckets.size() == sums.size && buckets.back() == sums.last;
    if (!kept) {
        sums = TierBlocks{};
        sums.usable = true;
    }
    for (std::size_t first = coveredEnd(sums); sums.usable && first + kBlock < buckets.size();
         first += kBlock) {
        if (!orderedAndPlain(buckets, first, first + kBlock)) {
            sums.usable = false;
            break;
        }
        Bucket block;
        block.minIn = std::numeric_limits<double>::infinity();
        block.minOut = std::numeric_limits<double>::infinity();
        for (std::size_t k = first; k < first + kBlock; ++k) {
            absorb(block, buckets[k]);
        }
        sums.blocks.push_back(block);
        sums.ends.push_back(buckets[first]);
        sums.ends.push_back(buckets[first + kBlock - 1]);
    }
    if (!sameTail) {
        sums.tailUsable = orderedAndPlain(buckets, coveredEnd(sums), buckets.size());
    }
    sums.size = buckets.size();
    sums.first = buckets.front();
    sums.last = buckets.back();
}

} // namespace

RateAggregate RateHistory::aggregate(double period, Instant now) const {
    RateAggregate total;
    const Instant from = now - period;
    // Every comparison with a missing period start fails, which would count buckets twice.
    if (std::isnan(from)) {
        return total;
    }
    const std::lock_guard lock(blockSums_.mutex);
    blockSums_.tiers.resize(tiers_.size());
    double until = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < tiers_.size(); ++i) {
        const Tier& tier = tiers_[i];
        const auto& buckets = tier.buckets;
        if (buckets.empty()) {
            continue;
        }
        const double g = tier.granularity;
        // When this tier's data does not reach back to a whole slot of the next tier that lies
        // before what the finer tiers counted (a history younger than that slot), handing over
        // on that slot would make the next tier count those samples again. This tier then
        // counts all it has in the period, and the next tier only what lies before that.
        const double handOverAt = handOver(tiers_, i, from);
        const bool shortOfSlot = handOverAt > until;
        const double boundary = shortOfSlot ? from : handOverAt;
        const auto countedBefore = [&](const Bucket& bucket) {
            return g == 0 ? until <= bucket.start : until < bucket.start + g;
        };
        const auto beyondBoundary = [&](const Bucket& bucket) {
            return bucket.start < boundary || (g == 0 && bucket.start <= from);
        };
        Instant oldestCounted = until;
        bool reachedBoundary = false;
        TierBlocks& sums = blockSums_.tiers[i];
        update(sums, buckets);
        if (sums.usable && sums.tailUsable) {
            // With starts in order, the buckets counted are one run, found by bisection, and
            // the whole blocks inside it are taken at once.
            const auto newest = static_cast<std::size_t>(
                std::partition_point(buckets.begin(), buckets.end(),
                                     [&](const Bucket& bucket) { return !countedBefore(bucket); }) -
                buckets.begin());
            const auto oldest = static_cast<std::size_t>(
                std::partition_point(buckets.begin(),
                                     buckets.begin() + static_cast<std::ptrdiff_t>(newest),
                                     beyondBoundary) -
                buckets.begin());
            reachedBoundary = oldest > 0;
            if (oldest < newest) {
                oldestCounted = buckets[oldest].start;
                const std::size_t offset = sums.offset;
                const std::size_t firstBlock =
                    oldest <= offset ? 0 : (oldest - offset + kBlock - 1) / kBlock;
                const std::size_t endBlock =
                    newest < offset ? 0 : std::min((newest - offset) / kBlock, sums.blocks.size());
                if (firstBlock < endBlock) {
                    absorbNewestFirst(total, buckets, offset + endBlock * kBlock, newest);
                    for (std::size_t j = endBlock; j > firstBlock; --j) {
                        absorb(total, sums.blocks[j - 1]);
                    }
                    absorbNewestFirst(total, buckets, oldest, offset + firstBlock * kBlock);
                } else {
                    absorbNewestFirst(total, buckets, oldest, newest);
                }
            }
        } else {
            // After a clock step back the starts may be out of order: walk every bucket.
            for (auto it = buckets.rbegin(); it != buckets.rend(); ++it) {
                if (countedBefore(*it)) {
                    continue;
                }
                if (beyondBoundary(*it)) {
                    reachedBoundary = true;
                    break;
                }
                absorb(total, *it);
                oldestCounted = it->start;
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
        tiers_[0].retention = retention.raw;
        tiers_[1].retention = retention.minute;
        tiers_[2].retention = retention.hour;
    } else {
        *this = RateHistory(retention);
    }
}

bool RateHistory::isEmpty() const {
    return std::all_of(tiers_.begin(), tiers_.end(),
                       [](const Tier& tier) { return tier.buckets.empty(); });
}

bool RateHistory::hasTraffic() const {
    return std::any_of(tiers_.begin(), tiers_.end(), [](const Tier& tier) {
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
