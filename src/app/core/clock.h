#pragma once

#include "netcore/history/rate_sample.h"

namespace wirelark {

// Where the monitor, the model and the commands read the time; tests move a fake one by hand.
class Clock {
public:
    virtual ~Clock() = default;
    // Seconds since 2001-01-01 00:00:00 UTC, the unit of the history's samples.
    virtual Instant wallNow() const = 0;
    // Seconds from an arbitrary start that never jumps, for measuring intervals.
    virtual double monotonicNow() const = 0;
};

// The system's real-time and monotonic clocks.
class SystemClock final : public Clock {
public:
    Instant wallNow() const override;
    double monotonicNow() const override;
};

} // namespace wirelark
