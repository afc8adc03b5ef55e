#include "netcore/history/recording_lock.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>

namespace wirelark {

std::string RecordingLockError::description() const {
    switch (code) {
    case Code::heldElsewhere:
        return "another process is already recording " + path.string();
    case Code::cannotCreateFolder:
        return "cannot create " + path.string() + ": " + error.message();
    case Code::cannotOpen:
        return "cannot open " + path.string() + ": " + error.message();
    case Code::cannotLock:
        return "cannot lock " + path.string() + ": " + error.message();
    }
    return {};
}

Expected<RecordingLock, RecordingLockError>
RecordingLock::acquire(const std::filesystem::path& historyFile) {
    const auto folder = historyFile.parent_path();
    std::error_code folderError;
    std::filesystem::create_directories(folder, folderError);
    const auto path = folder / (historyFile.filename().string() + ".recording");
    UniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (!fd) {
        const std::error_code openError = errnoCode(errno);
        // In a folder this process cannot write, a recorder that can may still hold the lock.
        if (const UniqueFd existing(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
            existing && flock(existing.get(), LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
            return Unexpected(
                RecordingLockError{RecordingLockError::Code::heldElsewhere, historyFile, {}});
        }
        // A missing folder is the reason the user can act on, not the lock file it left out.
        if (folderError && openError == std::errc::no_such_file_or_directory) {
            return Unexpected(RecordingLockError{RecordingLockError::Code::cannotCreateFolder,
                                                 folder, folderError});
        }
        return Unexpected(
            RecordingLockError{RecordingLockError::Code::cannotOpen, path, openError});
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
