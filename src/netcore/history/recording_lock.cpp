#include "netcore/history/recording_lock.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>

namespace wirelark {

std::string RecordingLockError::description() const {
    switch (code) {
    case Code::heldElsewhere:
        return "another process is already recording " + path.string();
    case Code::cannotOpen:
        return "cannot open " + path.string() + ": " + error.message();
    case Code::cannotLock:
        return "cannot lock " + path.string() + ": " + error.message();
    }
    return {};
}

Expected<RecordingLock, RecordingLockError>
RecordingLock::acquire(const std::filesystem::path& historyFile) {
    std::error_code error;
    std::filesystem::create_directories(historyFile.parent_path(), error);
    const auto path = historyFile.parent_path() / (historyFile.filename().string() + ".recording");
    UniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (!fd) {
        return Unexpected(
            RecordingLockError{RecordingLockError::Code::cannotOpen, path, errnoCode(errno)});
    }
    if (flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK) {
            return Unexpected(
                RecordingLockError{RecordingLockError::Code::heldElsewhere, historyFile, {}});
        }
        return Unexpected(
            RecordingLockError{RecordingLockError::Code::cannotLock, path, errnoCode(errno)});
    }
    return RecordingLock(std::move(fd));
}

} // namespace wirelark
