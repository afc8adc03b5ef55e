#include "netcore/history/history_store.h"

#include <cerrno>

namespace wirelark {

HistoryMap HistoryStore::load() const {
    const auto bytes = readWholeFile(url_, kMaxHistoryFileBytes);
    if (!bytes) {
        return {};
    }
    auto histories = decodeHistories(*bytes);
    return histories ? std::move(*histories) : HistoryMap{};
}

HistoryStore HistoryStore::readOnly(std::filesystem::path url) {
    HistoryStore store(std::move(url));
    store.readOnly_ = true;
    return store;
}

std::error_code HistoryStore::save(const HistoryMap& histories) const {
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
    return writeFileAtomically(url_, bytes->bytes(), write_);
}

} // namespace wirelark
