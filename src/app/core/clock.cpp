#include "app/core/clock.h"

#include <chrono>

namespace wirelark {

Instant SystemClock::wallNow() const {
    return toInstant(std::chrono::system_clock::now());
}

double SystemClock::monotonicNow() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace wirelark
