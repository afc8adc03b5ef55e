#include "netcore/history/recording_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace wirelark {

std::optional<RecordingLock> RecordingLock::acquire(const std::filesystem::path& historyFile,
                                                    std::string& whyNot) {
    std::error_code error;
    std::filesystem::create_directories(historyFile.parent_path(), error);
    const auto path = historyFile.parent_path() / (historyFile.filename().string() + ".recording");
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        whyNot = "cannot open " + path.string() + ": " + std::strerror(errno);
        return std::nullopt;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int saved = errno;
        ::close(fd);
        whyNot = saved == EWOULDBLOCK
                     ? "another process is already recording " + historyFile.string()
                     : "cannot lock " + path.string() + ": " + std::strerror(saved);
        return std::nullopt;
    }
    return RecordingLock(fd);
}

RecordingLock::RecordingLock(RecordingLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

RecordingLock& RecordingLock::operator=(RecordingLock&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

RecordingLock::~RecordingLock() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

} // namespace wirelark
