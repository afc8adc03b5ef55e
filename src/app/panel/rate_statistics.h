#pragma once

#include "app/core/interface_item.h"
#include "app/core/settings_data.h"

#include <optional>
#include <string>
#include <vector>

namespace wirelark {

struct StatisticsRow {
    std::string period;             // "1m"
    std::vector<std::string> cells; // the value columns; one "—" across them when unobserved
    bool observed = false;          // false: `cells` is the single dash
    bool dimmed = false;            // less than 90 % of the period was observed
    std::string help;

    bool operator==(const StatisticsRow&) const = default;
};

// The statistics under the current rates: "No traffic observed" alone, or a header and one
// row per period long enough to hold two updates.
struct StatisticsTable {
    bool noTraffic = false;
    std::vector<std::string> header; // after the empty period cell
    std::vector<StatisticsRow> rows;

    bool operator==(const StatisticsTable&) const = default;
};

// None when no period is long enough or neither averages nor ranges are wanted.
std::optional<StatisticsTable> statisticsTable(const InterfaceItem& item,
                                               const SettingsData& settings);

} // namespace wirelark
