#include "netcore/history/rate_bucket.h"

#include "netcore/base/hash_combine.h"

std::size_t
std::hash<wirelark::RateAggregate>::operator()(const wirelark::RateAggregate& a) const noexcept {
    std::size_t seed = std::hash<uint64_t>{}(a.bytesIn);
    wirelark::hashCombine(seed, std::hash<uint64_t>{}(a.bytesOut));
    for (double value : {a.seconds, a.minIn, a.maxIn, a.minOut, a.maxOut}) {
        wirelark::hashCombine(seed, std::hash<double>{}(value));
    }
    return seed;
}
