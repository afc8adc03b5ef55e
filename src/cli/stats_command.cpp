#include "cli/cli_settings.h"
#include "cli/commands.h"
#include "cli/option_values.h"
#include "cli/stats_output.h"

#include "app/core/clock.h"
#include "netcore/base/atomic_file.h"
#include "netcore/base/json_text.h"
#include "netcore/history/history_codec.h"
#include "netcore/history/history_location.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace wirelark::cli {

namespace {

struct StatsOptions {
    std::optional<std::filesystem::path> history;
    std::vector<uint64_t> periods;
    bool json = false;
    bool useBits = false;
};

constexpr uint64_t kDefaultPeriods[] = {3600, 86400, 604800, 7776000};

StatsOptions statsOptions(const ParsedCommandLine& given) {
    StatsOptions options;
    options.history = given.value("--history");
    options.periods = givenPeriods(given);
    options.json = given.has("--json");
    const SettingsData settings = storedSettings();
    options.useBits = settings.useBits;
    if (options.periods.empty()) {
        // The tray app's periods where it has any in whole seconds, else the usual four.
        for (double period : settings.periods) {
            if (period >= 1 && period == std::floor(period) && period < 1e15) {
                options.periods.push_back(static_cast<uint64_t>(period));
            }
        }
    }
    if (options.periods.empty()) {
        options.periods.assign(std::begin(kDefaultPeriods), std::end(kDefaultPeriods));
    }
    return options;
}

// The histories in the file; none, with a note on standard error, when it cannot be used.
HistoryMap readHistories(const std::optional<std::filesystem::path>& path) {
    if (!path) {
        std::fputs("wirelark-cli: no history file: neither XDG_DATA_HOME nor HOME gives a folder\n",
                   stderr);
        return {};
    }
    std::error_code error;
    if (!std::filesystem::exists(*path, error)) {
        std::fprintf(stderr, "wirelark-cli: no history file at %s\n", path->c_str());
        return {};
    }
    const auto bytes = readWholeFile(*path, kMaxHistoryFileBytes);
    if (!bytes) {
        std::fprintf(stderr, "wirelark-cli: cannot read the history file %s\n", path->c_str());
        return {};
    }
    auto histories = decodeHistories(*bytes);
    if (!histories) {
        std::fprintf(stderr, "wirelark-cli: %s is not a readable history file\n", path->c_str());
        return {};
    }
    return std::move(*histories);
}

void printJson(const HistoryMap& histories, const std::vector<uint64_t>& periods, Instant now) {
    nlohmann::ordered_json document = nlohmann::ordered_json::object();
    for (const auto& [key, history] : histories) {
        nlohmann::ordered_json byPeriod = nlohmann::ordered_json::object();
        for (uint64_t period : periods) {
            byPeriod[std::to_string(period)] =
                aggregateJson(history.aggregate(static_cast<double>(period), now));
        }
        document[key] = std::move(byPeriod);
    }
    std::printf("%s\n", jsonText(document, 2).c_str());
}

void printText(const HistoryMap& histories, const std::vector<uint64_t>& periods, bool useBits,
               Instant now) {
    for (const auto& [key, history] : histories) {
        std::printf("%s\n", key.c_str());
        for (uint64_t period : periods) {
            const double seconds = static_cast<double>(period);
            std::printf("%s\n",
                        aggregateLine(seconds, history.aggregate(seconds, now), useBits).c_str());
        }
    }
}

int run(const ParsedCommandLine& given) {
    const StatsOptions options = statsOptions(given);
    const HistoryMap histories =
        readHistories(options.history ? options.history : defaultHistoryFilePath());
    const Instant now = SystemClock().wallNow();
    if (options.json) {
        printJson(histories, options.periods, now);
    } else {
        printText(histories, options.periods, options.useBits, now);
    }
    return 0;
}

constexpr Option kOptions[] = {
    {.name = "--history", .valueName = "FILE", .help = "the history file to read"},
    periodOption("SECONDS"),
    {.name = "--json", .help = "one object keyed by interface key, then by period"},
};

} // namespace

const Command statsCommand{
    .name = "stats",
    .summary = "measured time, bytes and rates per interface over periods, from the history file",
    .options = kOptions,
    .run = run,
};

} // namespace wirelark::cli
