#include "app/settings/period_edits.h"

#include <algorithm>

namespace wirelark {

void addPeriod(std::vector<double>& periods, int amount, double unitSeconds) {
    const double period = unitSeconds * std::clamp(amount, kMinPeriodAmount, kMaxPeriodAmount);
    if (std::find(periods.begin(), periods.end(), period) == periods.end()) {
        periods.push_back(period);
    }
}

bool isShorterThanTwoUpdates(double period, double updateInterval) {
    return 2 * updateInterval > period;
}

} // namespace wirelark
