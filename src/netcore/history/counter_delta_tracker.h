#pragma once

#include "netcore/history/rate_sample.h"
#include "netcore/interfaces/interface_snapshot.h"

#include <map>
#include <optional>
#include <set>
#include <string>

namespace wirelark {

// Turns each interface's cumulative byte counters into one sample per interval between readings.
class CounterDeltaTracker {
public:
    struct Baseline {
        Instant time = 0;
        InterfaceCounters counters;
    };

    // The traffic since the previous reading of key, or nothing when there was none or the
    // interval cannot be trusted (no time passed, longer than maxGap, a counter went backwards).
    // The reading always becomes the new baseline.
    std::optional<RateSample> update(const std::string& key, const InterfaceCounters& counters,
                                     Instant at, double maxGap);
    // Forgets the baselines of interfaces that were not seen.
    void retain(const std::set<std::string>& keys);

    const std::map<std::string, Baseline>& last() const { return last_; }

private:
    std::map<std::string, Baseline> last_;
};

} // namespace wirelark
