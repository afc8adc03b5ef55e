#pragma once

#include "app/core/clock.h"

namespace wirelark::testing {

// A clock that stands still until the test sets or moves its readings.
class FakeClock final : public Clock {
public:
    Instant wall = 0;
    double monotonic = 0;

    Instant wallNow() const override { return wall; }
    double monotonicNow() const override { return monotonic; }
};

} // namespace wirelark::testing
