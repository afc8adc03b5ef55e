#pragma once

#include "netcore/base/expected.h"
#include "netcore/base/unique_fd.h"

#include <filesystem>
#include <string>
#include <system_error>

namespace wirelark {

// Why the recording lock was not taken.
struct RecordingLockError {
    enum class Code {
        heldElsewhere,      // another process records this history file
        cannotCreateFolder, // the history file's folder is missing and cannot be made
        cannotOpen,         // the lock file cannot be made or opened
        cannotLock,         // the kernel refused the lock for another reason
    };

    Code code;
    // The history file for heldElsewhere, its folder for cannotCreateFolder, the lock file
    // otherwise.
    std::filesystem::path path;
    // The system's reason for the other codes.
    std::error_code error;

    // The text shown after "cannot start: " or "cannot record: ".
    std::string description() const;

    bool operator==(const RecordingLockError&) const = default;
};

// Held by the one process that keeps a history file up to date (the tray app, or
// `wirelark-cli watch --record`), so that two recorders never overwrite each other's samples.
// The lock is a file beside the history file; the kernel drops it when the process ends.
class RecordingLock {
public:
    // Takes the lock for this history file without waiting; fails when another process holds it
    // or the lock file cannot be made.
    static Expected<RecordingLock, RecordingLockError>
    acquire(const std::filesystem::path& historyFile);

private:
    explicit RecordingLock(UniqueFd fd) : fd_(std::move(fd)) {}
    UniqueFd fd_;
};

} // namespace wirelark
