#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

namespace wirelark {

// Seconds since 2001-01-01 00:00:00 UTC; minute and hour slots are aligned on this scale.
using Instant = double;

// Unix time of 2001-01-01 00:00:00 UTC.
inline constexpr double kReferenceDateUnixSeconds = 978307200.0;

inline Instant toInstant(std::chrono::system_clock::time_point time) {
    return std::chrono::duration<double>(time.time_since_epoch()).count() -
           kReferenceDateUnixSeconds;
}

// One measured interval of one interface.
struct RateSample {
    Instant end = 0;
    double duration = 0;
    uint64_t bytesIn = 0;
    uint64_t bytesOut = 0;

    double rateIn() const { return static_cast<double>(bytesIn) / duration; }
    double rateOut() const { return static_cast<double>(bytesOut) / duration; }

    bool operator==(const RateSample&) const = default;
};

} // namespace wirelark

template <>
struct std::hash<wirelark::RateSample> {
    std::size_t operator()(const wirelark::RateSample& s) const noexcept;
};
