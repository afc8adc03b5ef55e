#pragma once

#include "netcore/base/atomic_file.h"
#include "netcore/history/history_codec.h"

#include <filesystem>
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

    // The stored histories; empty when the file is missing, unreadable or does not decode.
    HistoryMap load() const;
    // Replaces the file with the histories that carry traffic. On failure the previous file
    // stays as it was; a read-only store fails with EROFS and touches nothing.
    std::error_code save(const HistoryMap& histories) const;

private:
    std::filesystem::path url_;
    WriteFunction write_;
    bool readOnly_ = false;
};

} // namespace wirelark
