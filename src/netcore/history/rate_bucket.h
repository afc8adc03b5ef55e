#pragma once

#include "netcore/history/rate_sample.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>
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

// Adds a bucket, or a sum of buckets, to a total. Byte sums saturate and the rate bounds are
// plain minimums and maximums, so sums of runs of buckets give the same counts and bounds as
// the buckets one by one.
template <typename Total, typename Part>
void absorb(Total& total, const Part& part) {
    total.seconds += part.seconds;
    total.bytesIn = saturatingAdd(total.bytesIn, part.bytesIn);
    total.bytesOut = saturatingAdd(total.bytesOut, part.bytesOut);
    total.minIn = std::min(total.minIn, part.minIn);
    total.maxIn = std::max(total.maxIn, part.maxIn);
    total.minOut = std::min(total.minOut, part.minOut);
    total.maxOut = std::max(total.maxOut, part.maxOut);
}

} // namespace wirelark

template <>
struct std::hash<wirelark::RateAggregate> {
    std::size_t operator()(const wirelark::RateAggregate& a) const noexcept;
};
