#include "netcore/history/counter_delta_tracker.h"

namespace wirelark {

std::optional<RateSample> CounterDeltaTracker::update(const std::string& key,
                                                      const InterfaceCounters& counters, Instant at,
                                                      double maxGap) {
    auto [entry, inserted] = last_.try_emplace(key, Baseline{at, counters});
    if (inserted) {
        return std::nullopt;
    }
    const Baseline previous = entry->second;
    entry->second = Baseline{at, counters};

    const double elapsed = at - previous.time;
    if (!(elapsed > 0) || !(elapsed <= maxGap)) {
        return std::nullopt;
    }
    // A counter that went backwards means the interface was re-created or reset.
    if (counters.bytesIn < previous.counters.bytesIn ||
        counters.bytesOut < previous.counters.bytesOut) {
        return std::nullopt;
    }
    return RateSample{at, elapsed, counters.bytesIn - previous.counters.bytesIn,
                      counters.bytesOut - previous.counters.bytesOut};
}

void CounterDeltaTracker::retain(const std::set<std::string>& keys) {
    std::erase_if(last_, [&](const auto& entry) { return !keys.contains(entry.first); });
}

} // namespace wirelark
