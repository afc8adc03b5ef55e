#include "app/panel/rate_statistics.h"

#include "netcore/history/rate_format.h"

#include <algorithm>
#include <cmath>

namespace wirelark {
namespace {

std::vector<double> shownPeriods(const SettingsData& settings) {
    std::vector<double> periods;
    std::copy_if(settings.periods.begin(), settings.periods.end(), std::back_inserter(periods),
                 [&](double period) { return period >= 2 * settings.updateInterval; });
    return periods;
}

bool anyTraffic(const InterfaceItem& item) {
    return std::any_of(item.stats.begin(), item.stats.end(), [](const auto& entry) {
        return entry.second.bytesIn != 0 || entry.second.bytesOut != 0;
    });
}

std::vector<std::string> headerCells(const SettingsData& settings) {
    std::vector<std::string> header;
    if (settings.showAverage) {
        header.insert(header.end(), {"\u2193 avg", "\u2191 avg"});
    }
    if (settings.showMinMax) {
        header.insert(header.end(), {"\u2193 min\u2013max", "\u2191 min\u2013max"});
    }
    return header;
}

std::vector<std::string> valueCells(const RateAggregate& aggregate, const SettingsData& settings) {
    const auto rate = [&](double bytesPerSecond) {
        return rateText(bytesPerSecond, settings.useBits);
    };
    std::vector<std::string> cells;
    if (settings.showAverage) {
        cells.push_back(rate(aggregate.averageIn()));
        cells.push_back(rate(aggregate.averageOut()));
    }
    if (settings.showMinMax) {
        cells.push_back(rate(aggregate.minIn) + "\u2013" + rate(aggregate.maxIn));
        cells.push_back(rate(aggregate.minOut) + "\u2013" + rate(aggregate.maxOut));
    }
    return cells;
}

StatisticsRow statisticsRow(double period, const RateAggregate& aggregate,
                            const SettingsData& settings) {
    StatisticsRow row;
    row.period = periodLabel(period);
    row.observed = aggregate.seconds != 0;
    row.cells = row.observed ? valueCells(aggregate, settings) : std::vector<std::string>{"\u2014"};
    row.dimmed = aggregate.seconds < 0.9 * period;
    row.help = row.dimmed ? "Only " + periodLabel(std::round(aggregate.seconds)) + " of the last " +
                                row.period + " was observed"
                          : "Last " + row.period;
    return row;
}

} // namespace

std::optional<StatisticsTable> statisticsTable(const InterfaceItem& item,
                                               const SettingsData& settings) {
    const std::vector<double> periods = shownPeriods(settings);
    if (periods.empty() || (!settings.showAverage && !settings.showMinMax)) {
        return std::nullopt;
    }
    StatisticsTable table;
    if (!anyTraffic(item)) {
        table.noTraffic = true;
        return table;
    }
    table.header = headerCells(settings);
    for (double period : periods) {
        const auto found = item.stats.find(period);
        const RateAggregate aggregate = found != item.stats.end() ? found->second : RateAggregate{};
        table.rows.push_back(statisticsRow(period, aggregate, settings));
    }
    return table;
}

} // namespace wirelark
