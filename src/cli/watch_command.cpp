#include "cli/cli_settings.h"
#include "cli/commands.h"
#include "cli/stats_output.h"
#include "cli/system_annotations.h"

#include "app/core/item_lists.h"
#include "app/core/network_monitor.h"
#include "app/core/settings_data.h"
#include "netcore/history/history_location.h"
#include "netcore/history/rate_format.h"
#include "netcore/history/recording_lock.h"
#include "netcore/interfaces/snapshot_json.h"
#include "netcore/sysconfig/tunnel_owners.h"

#include <signal.h>
#include <time.h>

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <set>
#include <string_view>

namespace wirelark::cli {

namespace {

constexpr double kSaveEvery = 600;
constexpr int kRecentCount = 60;
constexpr const char* kUsage = "usage: wirelark-cli watch [--interval SECONDS] [--count N] "
                               "[--period SECONDS]... [--all] [--json] [--record]\n";

struct WatchOptions {
    double interval = 5;
    std::vector<double> periods;
    bool useBits = false;
    long count = -1; // until interrupted
    bool all = false;
    bool json = false;
    bool record = false;
};

std::optional<double> parseSeconds(std::string_view text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || !(value > 0) ||
        !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

// The tray app's interval, periods and units, then what the command line says.
std::optional<WatchOptions> parseOptions(int argc, char** argv) {
    const SettingsData settings = storedSettings();
    WatchOptions options;
    options.interval = settings.updateInterval > 0 ? settings.updateInterval : options.interval;
    options.periods = settings.periods;
    options.useBits = settings.useBits;
    bool periodsGiven = false;
    for (int i = 0; i < argc; ++i) {
        const std::string_view argument = argv[i];
        const bool takesValue =
            argument == "--interval" || argument == "--count" || argument == "--period";
        if (takesValue && i + 1 >= argc) {
            std::fprintf(stderr, "wirelark-cli: %s needs a value\n%s", argv[i], kUsage);
            return std::nullopt;
        }
        if (argument == "--json") {
            options.json = true;
        } else if (argument == "--all") {
            options.all = true;
        } else if (argument == "--record") {
            options.record = true;
        } else if (argument == "--interval") {
            const auto seconds = parseSeconds(argv[++i]);
            if (!seconds) {
                std::fprintf(stderr, "wirelark-cli: --interval takes seconds above 0, not '%s'\n",
                             argv[i]);
                return std::nullopt;
            }
            options.interval = *seconds;
        } else if (argument == "--count") {
            const auto count = parsePeriod(argv[++i]);
            if (!count) {
                std::fprintf(stderr,
                             "wirelark-cli: --count takes a whole number above 0, not '%s'\n",
                             argv[i]);
                return std::nullopt;
            }
            options.count = static_cast<long>(*count);
        } else if (argument == "--period") {
            const auto period = parsePeriodOption(argv[++i]);
            if (!period) {
                return std::nullopt;
            }
            if (!periodsGiven) {
                options.periods.clear();
                periodsGiven = true;
            }
            options.periods.push_back(static_cast<double>(*period));
        } else {
            std::fprintf(stderr, "wirelark-cli: unknown option '%s'\n%s", argv[i], kUsage);
            return std::nullopt;
        }
    }
    return options;
}

std::string periodKey(double period) {
    return std::to_string(static_cast<unsigned long long>(std::llround(period)));
}

nlohmann::ordered_json itemJson(const InterfaceItem& item, const SystemAnnotations& annotations) {
    nlohmann::ordered_json entry = toJson(*item.snapshot);
    annotations.annotate(entry, item.name);
    entry["key"] = item.key;
    entry["kind"] = caseName(item.kind());
    entry["subtitle"] = item.subtitle();
    entry["isActive"] = item.isActive();
    entry["isPrimary"] = item.isPrimary;
    if (auto rates = item.currentRates()) {
        entry["currentRates"] = {{"rateIn", rates->rateIn}, {"rateOut", rates->rateOut}};
    }
    nlohmann::ordered_json stats = nlohmann::ordered_json::object();
    for (const auto& [period, aggregate] : item.stats) {
        stats[periodKey(period)] = aggregateJson(aggregate);
    }
    entry["stats"] = std::move(stats);
    return entry;
}

void printText(const std::vector<InterfaceItem>& items, const WatchOptions& options) {
    const std::time_t now = std::time(nullptr);
    char clock[16];
    std::strftime(clock, sizeof clock, "%H:%M:%S", std::localtime(&now));
    std::printf("%s\n", clock);
    for (const auto& item : items) {
        const auto rates = item.currentRates();
        const std::string in = rates ? rateText(rates->rateIn, options.useBits) : "\u2014";
        const std::string out = rates ? rateText(rates->rateOut, options.useBits) : "\u2014";
        std::printf("%-15s %s%s  \u2193 %s  \u2191 %s\n", item.name.c_str(),
                    item.subtitle().c_str(), item.isPrimary ? " (primary)" : "", in.c_str(),
                    out.c_str());
        for (double period : options.periods) {
            const auto found = item.stats.find(period);
            std::printf("%s\n",
                        aggregateLine(period,
                                      found != item.stats.end() ? found->second : RateAggregate{},
                                      options.useBits)
                            .c_str());
        }
    }
    std::printf("\n");
    std::fflush(stdout);
}

// Waits for the interval, or less when SIGINT or SIGTERM arrive; true when one did.
bool sleepUnlessInterrupted(const sigset_t& signals, double seconds) {
    timespec timeout;
    timeout.tv_sec = static_cast<time_t>(seconds);
    timeout.tv_nsec = static_cast<long>((seconds - std::floor(seconds)) * 1e9);
    return sigtimedwait(&signals, nullptr, &timeout) > 0;
}

// Names of the tun and tap devices; owners are scanned again only when these change.
std::set<std::string> tunnelNames(const std::vector<InterfaceItem>& items) {
    std::set<std::string> names;
    for (const auto& item : items) {
        if (item.kind() == InterfaceKind::tunnel) {
            names.insert(item.name);
        }
    }
    return names;
}

} // namespace

int runWatch(int argc, char** argv) {
    auto options = parseOptions(argc, argv);
    if (!options) {
        return 2;
    }
    // Ctrl-C and termination end the loop through sigtimedwait, in this thread only.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    const auto historyFile = defaultHistoryFilePath();
    std::optional<RecordingLock> recording;
    if (options->record) {
        if (!historyFile) {
            std::fputs(
                "wirelark-cli: cannot record: neither XDG_DATA_HOME nor HOME gives a folder\n",
                stderr);
            return 1;
        }
        auto lock = RecordingLock::acquire(*historyFile);
        if (!lock) {
            std::fprintf(stderr, "wirelark-cli: cannot record: %s\n",
                         lock.error().description().c_str());
            return 1;
        }
        recording = std::move(*lock);
    }
    // Without --record the history file is only read, so the statistics include what the
    // tray recorded, and nothing is written back.
    NetworkMonitor monitor(historyFile.value_or(std::filesystem::path()), MonitorSources::system());
    SystemAnnotations annotations;
    std::set<std::string> knownTunnels;
    const auto started = std::chrono::steady_clock::now();
    double lastSave = 0;
    for (long update = 0; options->count < 0 || update < options->count; ++update) {
        if (update > 0 && sleepUnlessInterrupted(signals, options->interval)) {
            break;
        }
        const MonitorUpdate result =
            monitor.update(true, options->periods, kRecentCount, options->interval).get();
        if (options->json) {
            annotations.metadata = result.metadata;
            if (auto tunnels = tunnelNames(result.items); tunnels != knownTunnels) {
                knownTunnels = std::move(tunnels);
                annotations.owners = TunnelOwners().scan();
            }
            nlohmann::ordered_json items = nlohmann::ordered_json::array();
            for (const auto& item : result.items) {
                if (options->all || item.isActive()) {
                    items.push_back(itemJson(item, annotations));
                }
            }
            const double unixTime =
                std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch())
                    .count();
            const nlohmann::ordered_json line{{"time", unixTime}, {"items", std::move(items)}};
            std::printf("%s\n", line.dump().c_str());
            std::fflush(stdout);
        } else {
            std::vector<InterfaceItem> shown;
            for (const auto& item : result.items) {
                if (options->all || item.isActive()) {
                    shown.push_back(item);
                }
            }
            printText(shown, *options);
        }
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        if (recording && elapsed - lastSave >= kSaveEvery) {
            lastSave = elapsed;
            monitor.saveHistory();
        }
    }
    if (recording) {
        if (const std::error_code error = monitor.saveHistory().get()) {
            std::fprintf(stderr, "wirelark-cli: cannot save the history file %s: %s\n",
                         historyFile->c_str(), error.message().c_str());
            return 1;
        }
    }
    return 0;
}

} // namespace wirelark::cli
