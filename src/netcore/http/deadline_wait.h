#pragma once

#include "netcore/http/lookup_error.h"

#include <chrono>
#include <optional>

namespace wirelark {

using DeadlineClock = std::chrono::steady_clock;

// Waits until fd is ready for events. Passing the deadline gives a timed-out error; cancelFd
// (ignored when negative) becoming readable gives a cancellation error.
std::optional<LookupError> waitUntilReady(int fd, short events, DeadlineClock::time_point deadline,
                                          int cancelFd);

} // namespace wirelark
