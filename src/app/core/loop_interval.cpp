#include "app/core/loop_interval.h"

#include "app/core/settings_data.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace wirelark {

namespace {

constexpr double kShortest = 0.1;
constexpr double kLongest = INT_MAX / 1000.0;

} // namespace

double loopInterval(double storedSeconds) {
    if (!std::isfinite(storedSeconds) || storedSeconds <= 0) {
        return SettingsData{}.updateInterval;
    }
    return std::clamp(storedSeconds, kShortest, kLongest);
}

} // namespace wirelark
