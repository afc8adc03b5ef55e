#include "cli/commands.h"

#include "netcore/atomic_file.h"
#include "netcore/history_codec.h"
#include "netcore/history_location.h"
#include "netcore/rate_format.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace wirelark::cli {

namespace {

struct StatsOptions {
    std::optional<std::filesystem::path> history;
    std::vector<uint64_t> periods;
    bool json = false;
};

constexpr uint64_t kDefaultPeriods[] = {3600, 86400, 604800, 7776000};
constexpr const char* kUsage =
    "usage: wirelark-cli stats [--history FILE] [--period SECONDS]... [--json]\n";

std::optional<uint64_t> parsePeriod(std::string_view text) {
    uint64_t seconds = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (error != std::errc{} || end != text.data() + text.size() || seconds == 0) {
        return std::nullopt;
    }
    return seconds;
}

// Nothing after printing the reason when the arguments are not understood.
std::optional<StatsOptions> parseOptions(int argc, char** argv) {
    StatsOptions options;
    for (int i = 0; i < argc; ++i) {
        const std::string_view argument = argv[i];
        const bool takesValue = argument == "--history" || argument == "--period";
        if (takesValue && i + 1 >= argc) {
            std::fprintf(stderr, "wirelark-cli: %s needs a value\n%s", argv[i], kUsage);
            return std::nullopt;
        }
        if (argument == "--json") {
            options.json = true;
        } else if (argument == "--history") {
            options.history = argv[++i];
        } else if (argument == "--period") {
            const auto period = parsePeriod(argv[++i]);
            if (!period) {
                std::fprintf(stderr,
                             "wirelark-cli: --period takes a whole number of seconds above 0, "
                             "not '%s'\n",
                             argv[i]);
                return std::nullopt;
            }
            options.periods.push_back(*period);
        } else {
            std::fprintf(stderr, "wirelark-cli: unknown option '%s'\n%s", argv[i], kUsage);
            return std::nullopt;
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

nlohmann::json minimumJson(double minimum) {
    return std::isinf(minimum) ? nlohmann::json(nullptr) : nlohmann::json(minimum);
}

nlohmann::json aggregateJson(const RateAggregate& aggregate) {
    return {
        {"seconds", aggregate.seconds},
        {"bytesIn", aggregate.bytesIn},
        {"bytesOut", aggregate.bytesOut},
        {"minIn", minimumJson(aggregate.minIn)},
        {"maxIn", aggregate.maxIn},
        {"minOut", minimumJson(aggregate.minOut)},
        {"maxOut", aggregate.maxOut},
        {"averageIn", aggregate.averageIn()},
        {"averageOut", aggregate.averageOut()},
    };
}

void printJson(const HistoryMap& histories, const std::vector<uint64_t>& periods, Instant now) {
    nlohmann::json document = nlohmann::json::object();
    for (const auto& [key, history] : histories) {
        nlohmann::json byPeriod = nlohmann::json::object();
        for (uint64_t period : periods) {
            byPeriod[std::to_string(period)] =
                aggregateJson(history.aggregate(static_cast<double>(period), now));
        }
        document[key] = std::move(byPeriod);
    }
    std::printf("%s\n", document.dump(2).c_str());
}

void printText(const HistoryMap& histories, const std::vector<uint64_t>& periods, Instant now) {
    for (const auto& [key, history] : histories) {
        std::printf("%s\n", key.c_str());
        for (uint64_t period : periods) {
            const RateAggregate total = history.aggregate(static_cast<double>(period), now);
            const std::string label = periodLabel(static_cast<double>(period));
            if (total.isEmpty()) {
                std::printf("  %-5s \u2014\n", label.c_str());
                continue;
            }
            std::printf(
                "  %-5s measured %.0f s, %llu bytes in, %llu bytes out; average \u2193 %s "
                "\u2191 %s; min\u2013max \u2193 %s\u2013%s \u2191 %s\u2013%s\n",
                label.c_str(), total.seconds, static_cast<unsigned long long>(total.bytesIn),
                static_cast<unsigned long long>(total.bytesOut),
                rateText(total.averageIn(), false).c_str(),
                rateText(total.averageOut(), false).c_str(), rateText(total.minIn, false).c_str(),
                rateText(total.maxIn, false).c_str(), rateText(total.minOut, false).c_str(),
                rateText(total.maxOut, false).c_str());
        }
    }
}

} // namespace

int runStats(int argc, char** argv) {
    const auto options = parseOptions(argc, argv);
    if (!options) {
        return 2;
    }
    const HistoryMap histories =
        readHistories(options->history ? options->history : defaultHistoryFilePath());
    const Instant now = toInstant(std::chrono::system_clock::now());
    if (options->json) {
        printJson(histories, options->periods, now);
    } else {
        printText(histories, options->periods, now);
    }
    return 0;
}

} // namespace wirelark::cli
