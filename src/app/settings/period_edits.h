#pragma once

#include <string_view>
#include <vector>

namespace wirelark {

// A unit the user picks for a new statistics period.
struct PeriodUnit {
    std::string_view label;
    double seconds;
};

inline constexpr PeriodUnit kPeriodUnits[] = {
    {"seconds", 1}, {"minutes", 60}, {"hours", 3600}, {"days", 86400}};

inline constexpr int kMinPeriodAmount = 1;
inline constexpr int kMaxPeriodAmount = 999;

// Appends amount × unit seconds, the amount held to 1…999, unless that period is already there.
void addPeriod(std::vector<double>& periods, int amount, double unitSeconds);
// Such a period never spans two samples, so the interface rows leave its statistics out; a
// period of exactly two updates is shown there, and so is not called hidden.
bool isShorterThanTwoUpdates(double period, double updateInterval);

} // namespace wirelark
