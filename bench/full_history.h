#pragma once

#include "netcore/history/rate_history.h"

namespace wirelark::bench {

// Ends the feed of fullHistory(); aggregates are asked at this instant.
inline constexpr Instant kFeedEnd = 3600.0 * 230'000;

// Ninety days of 5-second samples, pruned as the monitor prunes: about 720 raw, 1500 minute and
// 2160 hour buckets.
inline RateHistory fullHistory() {
    RateHistory history(RateHistory::kStandardRetention);
    const Instant first = kFeedEnd - RateHistory::kStandardRetention.hour;
    uint64_t i = 0;
    for (Instant end = first; end <= kFeedEnd; end += 5, ++i) {
        history.add({end, 5, (i * 7919) % 1'000'003, (i * 104'729) % 65'537});
        if (i % 720 == 0) {
            history.prune(end);
        }
    }
    history.prune(kFeedEnd);
    return history;
}

} // namespace wirelark::bench
