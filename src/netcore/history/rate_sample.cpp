#include "netcore/history/rate_sample.h"

#include "netcore/base/hash_combine.h"

std::size_t
std::hash<wirelark::RateSample>::operator()(const wirelark::RateSample& s) const noexcept {
    std::size_t seed = std::hash<uint64_t>{}(s.bytesIn);
    wirelark::hashCombine(seed, std::hash<uint64_t>{}(s.bytesOut));
    wirelark::hashCombine(seed, std::hash<double>{}(s.end));
    wirelark::hashCombine(seed, std::hash<double>{}(s.duration));
    return seed;
}
