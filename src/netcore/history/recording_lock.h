#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace wirelark {

// Held by the one process that keeps a history file up to date (the tray app, or
// `wirelark-cli watch --record`), so that two recorders never overwrite each other's samples.
// The lock is a file beside the history file; the kernel drops it when the process ends.
class RecordingLock {
public:
    // Takes the lock for this history file without waiting; nothing, with the reason in
    // `whyNot`, when another process holds it or the lock file cannot be made.
    static std::optional<RecordingLock> acquire(const std::filesystem::path& historyFile,
                                                std::string& whyNot);

    RecordingLock(RecordingLock&& other) noexcept;
    RecordingLock& operator=(RecordingLock&& other) noexcept;
    ~RecordingLock();

private:
    explicit RecordingLock(int fd) : fd_(fd) {}
    int fd_ = -1;
};

} // namespace wirelark
