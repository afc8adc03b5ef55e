#include "netcore/history/history_store.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>

#include <cerrno>

namespace wirelark {

namespace {

// The set-aside names tried before giving up.
constexpr int kMostSetAsideNames = 100;

// Renames `from` to `to` unless `to` exists.
int renameWithoutReplacing(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL) {
        return errno;
    }
    // A file system without the flag; only this process records, so a look first is enough.
    struct stat existing {};
    if (::lstat(to.c_str(), &existing) == 0) {
        return EEXIST;
    }
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

// Moves the file to the first free `.unreadable` name beside it.
std::error_code setAside(const std::filesystem::path& file) {
    for (int n = 1; n <= kMostSetAsideNames; ++n) {
        std::filesystem::path kept = file;
        kept += n == 1 ? ".unreadable" : ".unreadable." + std::to_string(n);
        const int error = renameWithoutReplacing(file, kept);
        if (error == 0 || error == ENOENT) {
            return {};
        }
        if (error != EEXIST) {
            return errnoCode(error);
        }
    }
    return errnoCode(EEXIST);
}

} // namespace

HistoryMap HistoryStore::load() {
    unusable_.reset();
    const auto bytes = readWholeFile(url_, kMaxHistoryFileBytes);
    if (!bytes) {
        if (bytes.error() != std::errc::no_such_file_or_directory) {
            unusable_ = bytes.error().message();
        }
        return {};
    }
    auto histories = decodeHistories(*bytes);
    if (!histories) {
        unusable_ = "not a history file";
        return {};
    }
    return std::move(*histories);
}

HistoryStore HistoryStore::readOnly(std::filesystem::path url) {
    HistoryStore store(std::move(url));
    store.readOnly_ = true;
    return store;
}

std::error_code HistoryStore::save(const HistoryMap& histories) {
    if (readOnly_) {
        return errnoCode(EROFS);
    }
    HistoryMap kept;
    for (const auto& [key, history] : histories) {
        if (history.hasTraffic()) {
            kept.emplace(key, history);
        }
    }
    const auto bytes = encodeHistories(kept);
    if (!bytes) {
        return std::make_error_code(std::errc::invalid_argument);
    }
    if (unusable_) {
        if (const std::error_code error = setAside(url_)) {
            return error;
        }
        unusable_.reset();
    }
    return writeFileAtomically(url_, bytes->bytes(), write_);
}

} // namespace wirelark
