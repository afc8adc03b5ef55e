#pragma once

#include "netcore/history/rate_bucket.h"
#include "netcore/history/ring.h"

#include <cstddef>
#include <cstdint>

namespace wirelark {

// One tier's buckets, oldest first, laid out for the monitor's tick: the starts apart from the
// sums, so that finding a period's buckets reads only starts; rings, so that pruning the oldest
// buckets moves nothing; and sums over aligned runs of kRun and kBlock buckets, so that
// summing a period touches a handful of buckets and sums at each end.
class TierStorage {
public:
    static constexpr uint64_t kRun = 16;
    static constexpr uint64_t kBlock = 16 * kRun;

    TierStorage(double granularity, double retention);
    explicit TierStorage(const Tier& tier);

    double granularity() const { return granularity_; }
    double retention() const { return retention_; }
    void setRetention(double retention) { retention_ = retention; }
    Tier tier() const;

    std::size_t size() const { return starts_.size(); }
    // The number of the oldest bucket kept, counting from the first ever added.
    uint64_t firstNumber() const { return firstBucket_; }
    bool isEmpty() const { return starts_.isEmpty(); }
    Instant start(std::size_t i) const { return starts_[i]; }
    const RateAggregate& totals(std::size_t i) const { return totals_[i]; }
    Bucket bucket(std::size_t i) const;
    bool hasTraffic() const;

    // Merges the sample into the newest bucket when it shares its slot, else appends a bucket.
    void add(const RateSample& sample, double rateIn, double rateOut);
    // Drops the oldest buckets up to the first that ended after now - retention.
    void prune(Instant now);

    // Whether the starts ascend and every rate is a number other than -0: then bisection finds
    // a period's buckets, and sums in any grouping give the bounds a walk would.
    bool isOrderedAndPlain() const { return disorders_ == 0 && oddBuckets_ == 0; }
    // The sum of the buckets from first up to last, newest first, whole runs and blocks from
    // their sums. The grouping depends only on the bucket numbers, so a range summed again
    // gives the same bits.
    RateAggregate sum(std::size_t first, std::size_t last) const;

    bool operator==(const TierStorage& other) const;

private:
    void append(Instant start, const RateAggregate& totals);
    void closeRun(uint64_t run);
    void closeBlock(uint64_t block);

    double granularity_ = 0;
    double retention_ = 0;
    // Buckets are numbered from the first ever added; runs and blocks are aligned on those
    // numbers, so they survive a prune unchanged.
    uint64_t firstBucket_ = 0;
    Ring<Instant> starts_;
    Ring<RateAggregate> totals_;
    // Sums of the runs and blocks whose every bucket is final: all but the newest bucket,
    // which a sample may still merge into.
    uint64_t firstRun_ = 0;
    Ring<RateAggregate> runSums_;
    uint64_t firstBlock_ = 0;
    Ring<RateAggregate> blockSums_;
    // Neighbours whose starts do not ascend, and buckets with a NaN start or a NaN or -0 rate.
    std::size_t disorders_ = 0;
    std::size_t oddBuckets_ = 0;
};

} // namespace wirelark
