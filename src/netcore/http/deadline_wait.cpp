#include "netcore/http/deadline_wait.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

namespace wirelark {

Expected<void, HttpError> waitUntilReady(int fd, short events, DeadlineClock::time_point deadline,
                                         int cancelFd) {
    while (true) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - DeadlineClock::now());
        if (left.count() <= 0) {
            return Unexpected(HttpError::timedOut());
        }
        pollfd fds[2] = {{fd, events, 0}, {cancelFd, POLLIN, 0}};
        const int ready =
            poll(fds, 2, static_cast<int>(std::min<long long>(left.count(), INT_MAX)));
        if (ready < 0 && errno != EINTR) {
            return Unexpected(HttpError::connection(std::strerror(errno)));
        }
        if (fds[1].revents != 0) {
            return Unexpected(HttpError::cancelled());
        }
        if (ready > 0) {
            return {};
        }
    }
}

} // namespace wirelark
