#pragma once

#include "netcore/http/http_error.h"

#include <chrono>

namespace wirelark {

using DeadlineClock = std::chrono::steady_clock;

// Waits until fd is ready for events. Passing the deadline gives a timed-out error; cancelFd
// (ignored when negative) becoming readable gives a cancellation error.
Expected<void, HttpError> waitUntilReady(int fd, short events, DeadlineClock::time_point deadline,
                                         int cancelFd);

} // namespace wirelark
