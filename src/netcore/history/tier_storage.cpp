#include "netcore/history/tier_storage.h"

#include <bit>
#include <cmath>

namespace wirelark {

namespace {

bool isPlainRate(double rate) {
    return !std::isnan(rate) && std::bit_cast<uint64_t>(rate) != std::bit_cast<uint64_t>(-0.0);
}

// Bounds of such buckets are the same whatever order they are taken in.
bool isPlain(Instant start, const RateAggregate& totals) {
    return !std::isnan(start) && isPlainRate(totals.minIn) && isPlainRate(totals.maxIn) &&
           isPlainRate(totals.minOut) && isPlainRate(totals.maxOut);
}

// Forgets the sums of runs or blocks that begin before the oldest bucket kept.
void dropSumsBefore(Ring<RateAggregate>& sums, uint64_t& first, uint64_t kept) {
    if (kept > first) {
        const uint64_t dropped = std::min<uint64_t>(kept - first, sums.size());
        sums.dropFront(dropped);
        first += dropped;
    }
}

uint64_t divideRoundingUp(uint64_t value, uint64_t divisor) {
    return (value + divisor - 1) / divisor;
}

} // namespace

TierStorage::TierStorage(double granularity, double retention)
    : granularity_(granularity), retention_(retention) {}

TierStorage::TierStorage(const Tier& tier) : TierStorage(tier.granularity, tier.retention) {
    for (const Bucket& bucket : tier.buckets) {
        append(bucket.start,
               RateAggregate{bucket.seconds, bucket.bytesIn, bucket.bytesOut, bucket.minIn,
                             bucket.maxIn, bucket.minOut, bucket.maxOut});
    }
}

Tier TierStorage::tier() const {
    Tier tier{granularity_, retention_, {}};
    tier.buckets.reserve(size());
    for (std::size_t i = 0; i < size(); ++i) {
        tier.buckets.push_back(bucket(i));
    }
    return tier;
}

Bucket TierStorage::bucket(std::size_t i) const {
    const RateAggregate& totals = totals_[i];
    return Bucket{starts_[i],   totals.seconds, totals.bytesIn, totals.bytesOut,
                  totals.minIn, totals.maxIn,   totals.minOut,  totals.maxOut};
}

bool TierStorage::hasTraffic() const {
    for (std::size_t i = 0; i < size(); ++i) {
        if (totals_[i].bytesIn != 0 || totals_[i].bytesOut != 0) {
            return true;
        }
    }
    return false;
}

void TierStorage::add(const RateSample& sample, double rateIn, double rateOut) {
    const double g = granularity_;
    const Instant start = g != 0 ? g * std::floor(sample.end / g) : sample.end;
    // A stored layout with an unusable granularity must not put a start into the file that
    // would make it unreadable.
    if (!std::isfinite(start)) {
        return;
    }
    const RateAggregate sampleTotals{sample.duration, sample.bytesIn, sample.bytesOut, rateIn,
                                     rateIn,          rateOut,        rateOut};
    if (g != 0 && !isEmpty() && starts_[size() - 1] == start) {
        RateAggregate& newest = totals_.back();
        oddBuckets_ -= isPlain(start, newest) ? 0 : 1;
        absorb(newest, sampleTotals);
        oddBuckets_ += isPlain(start, newest) ? 0 : 1;
        return;
    }
    append(start, sampleTotals);
}

void TierStorage::append(Instant start, const RateAggregate& totals) {
    const uint64_t number = firstBucket_ + size();
    // The bucket before this one is final now.
    if (number != 0 && number % kRun == 0) {
        closeRun(number / kRun - 1);
    }
    if (!isEmpty() && !(starts_[size() - 1] <= start)) {
        ++disorders_;
    }
    if (!isPlain(start, totals)) {
        ++oddBuckets_;
    }
    starts_.pushBack(start);
    totals_.pushBack(totals);
}

// A run or block that lost buckets to a prune before it closed gets a partial sum; no period
// ever takes it, as its first bucket is gone.
void TierStorage::closeRun(uint64_t run) {
    RateAggregate sum;
    for (uint64_t k = std::max(run * kRun, firstBucket_); k < (run + 1) * kRun; ++k) {
        absorb(sum, totals_[k - firstBucket_]);
    }
    if (runSums_.isEmpty()) {
        firstRun_ = run;
    }
    runSums_.pushBack(sum);
    constexpr uint64_t runsPerBlock = kBlock / kRun;
    if ((run + 1) % runsPerBlock == 0) {
        closeBlock(run / runsPerBlock);
    }
}

void TierStorage::closeBlock(uint64_t block) {
    constexpr uint64_t runsPerBlock = kBlock / kRun;
    RateAggregate sum;
    for (uint64_t r = std::max(block * runsPerBlock, firstRun_); r < (block + 1) * runsPerBlock;
         ++r) {
        absorb(sum, runSums_[r - firstRun_]);
    }
    if (blockSums_.isEmpty()) {
        firstBlock_ = block;
    }
    blockSums_.pushBack(sum);
}

void TierStorage::prune(Instant now) {
    const double cutoff = now - retention_;
    const double g = granularity_;
    std::size_t dropped = 0;
    for (; dropped < size(); ++dropped) {
        const Instant start = starts_[dropped];
        if (cutoff < (g == 0 ? start : start + g)) {
            break;
        }
        oddBuckets_ -= isPlain(start, totals_[dropped]) ? 0 : 1;
        if (dropped + 1 < size() && !(start <= starts_[dropped + 1])) {
            --disorders_;
        }
    }
    starts_.dropFront(dropped);
    totals_.dropFront(dropped);
    firstBucket_ += dropped;
    dropSumsBefore(runSums_, firstRun_, divideRoundingUp(firstBucket_, kRun));
    dropSumsBefore(blockSums_, firstBlock_, divideRoundingUp(firstBucket_, kBlock));
}

RateAggregate TierStorage::sum(std::size_t first, std::size_t last) const {
    RateAggregate total;
    const uint64_t oldest = firstBucket_ + first;
    const uint64_t end = firstBucket_ + size();
    uint64_t k = firstBucket_ + last;
    const auto takeBucket = [&] {
        --k;
        absorb(total, totals_[k - firstBucket_]);
    };
    const auto takeRun = [&] {
        k -= kRun;
        absorb(total, runSums_[k / kRun - firstRun_]);
    };
    const auto takeBlock = [&] {
        k -= kBlock;
        absorb(total, blockSums_[k / kBlock - firstBlock_]);
    };
    // No sum holds the newest bucket, which may still grow.
    if (k == end && k > oldest) {
        takeBucket();
    }
    while (k > oldest && k % kRun != 0) {
        takeBucket();
    }
    while (k - oldest >= kRun && k % kBlock != 0) {
        takeRun();
    }
    while (k - oldest >= kBlock) {
        takeBlock();
    }
    while (k - oldest >= kRun) {
        takeRun();
    }
    while (k > oldest) {
        takeBucket();
    }
    return total;
}

bool TierStorage::operator==(const TierStorage& other) const {
    if (granularity_ != other.granularity_ || retention_ != other.retention_ ||
        size() != other.size()) {
        return false;
    }
    for (std::size_t i = 0; i < size(); ++i) {
        if (starts_[i] != other.starts_[i] || !(totals_[i] == other.totals_[i])) {
            return false;
        }
    }
    return true;
}

} // namespace wirelark
