#pragma once

#include "netcore/base/atomic_file.h"
#include "netcore/history/history_codec.h"

#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

namespace wirelark {

// Keeps the rate histories of every interface across restarts in one property-list file.
class HistoryStore {
public:
    explicit HistoryStore(std::filesystem::path url, WriteFunction write = posixWrite)
        : url_(std::move(url)), write_(std::move(write)) {}

    // A store that loads but never writes, for a process that does not hold the recording lock.
    static HistoryStore readOnly(std::filesystem::path url);

    const std::filesystem::path& url() const { return url_; }
    bool isReadOnly() const { return readOnly_; }

    // The stored histories; empty when the file is missing, unreadable or does not decode.
    HistoryMap load();
    // Why the last load() could not use the file that was there, as a short text, until a save
    // has set that file aside; none when load() used it or found none.
    const std::optional<std::string>& unusableFile() const { return unusable_; }

    // Replaces the file with the histories that carry traffic. A file the last load() could not
    // use may be the only copy of weeks of history, damaged or merely unreadable for now: it is
    // renamed to the first free `<file>.unreadable`, `<file>.unreadable.2`, … instead of being
    // overwritten, and when that fails nothing is written. On failure the previous file stays as
    // it was; a read-only store fails with EROFS and touches nothing.
    std::error_code save(const HistoryMap& histories);

private:
    std::filesystem::path url_;
    WriteFunction write_;
    bool readOnly_ = false;
    std::optional<std::string> unusable_;
};

} // namespace wirelark
