#pragma once

#include "netcore/base/expected.h"

#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <utility>

namespace wirelark {

// An owned file descriptor (socket, eventfd, pipe, lock file, file): closed when it goes out of
// scope or is replaced, moved but never copied. A negative number means none.
//
// close() is called once and never retried: on Linux the descriptor is released even when close
// fails with EINTR, and by then its number may already belong to another thread's new file.
class UniqueFd {
public:
    UniqueFd() noexcept = default;
    // Takes ownership of fd, which may be negative (a failed open) to hold none.
    explicit UniqueFd(int fd) noexcept : fd_(fd < 0 ? -1 : fd) {}

    UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { reset(); }

    int get() const noexcept { return fd_; }
    explicit operator bool() const noexcept { return fd_ >= 0; }

    // Gives up ownership without closing; the caller closes the number returned.
    [[nodiscard]] int release() noexcept { return std::exchange(fd_, -1); }

    // Closes the descriptor held, if any, and takes fd instead.
    void reset(int fd = -1) noexcept {
        const int old = std::exchange(fd_, fd < 0 ? -1 : fd);
        if (old >= 0 && old != fd_) {
            ::close(old);
        }
    }

    // Closes now and says whether close failed, for the files whose last write errors show up
    // only there. The descriptor is gone either way.
    [[nodiscard]] std::error_code close() noexcept {
        const int fd = release();
        if (fd >= 0 && ::close(fd) != 0) {
            return errnoCode(errno);
        }
        return {};
    }

private:
    int fd_ = -1;
};

} // namespace wirelark
