#include "cli/cli_settings.h"
#include "cli/commands.h"
#include "cli/option_values.h"
#include "cli/stats_output.h"
#include "cli/system_annotations.h"

#include "app/core/clock.h"
#include "app/core/item_lists.h"
#include "app/core/loop_interval.h"
#include "app/core/network_monitor.h"
#include "app/core/recording_schedule.h"
#include "app/core/settings_data.h"
#include "app/notify/change_notifier.h"
#include "netcore/base/json_text.h"
#include "netcore/base/unique_fd.h"
#include "netcore/history/history_location.h"
#include "netcore/history/rate_format.h"
#include "netcore/history/recording_lock.h"
#include "netcore/interfaces/snapshot_json.h"
#include "netcore/sysconfig/network_change_watcher.h"
#include "netcore/sysconfig/tunnel_owners.h"

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <optional>
#include <set>

namespace wirelark::cli {

namespace {

struct WatchOptions {
    double interval = 5;
    std::vector<double> periods;
    bool useBits = false;
    long count = -1; // until interrupted
    bool all = false;
    bool json = false;
    bool record = false;
    // With --notify: the stored switches and pins the notifier reads.
    std::optional<SettingsData> notify;
};

// The tray app's interval, periods and units, then what the command line says.
WatchOptions watchOptions(const ParsedCommandLine& given) {
    const SettingsData settings = storedSettings();
    WatchOptions options;
    options.interval = loopInterval(settings.updateInterval);
    options.periods = settings.periods;
    options.useBits = settings.useBits;
    if (const auto interval = given.value("--interval")) {
        options.interval = loopInterval(parseSeconds(*interval).value());
    }
    if (const auto count = given.value("--count")) {
        options.count = static_cast<long>(parseWholeNumber(*count).value());
    }
    if (const auto periods = givenPeriods(given); !periods.empty()) {
        options.periods.assign(periods.begin(), periods.end());
    }
    options.all = given.has("--all");
    options.json = given.has("--json");
    options.record = given.has("--record");
    if (given.has("--notify")) {
        options.notify = settings;
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

void printText(const std::vector<InterfaceItem>& items, const WatchOptions& options,
               double unixTime) {
    const auto now = static_cast<std::time_t>(unixTime);
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

// The notifications of --notify, each on a line of its own: "title" or "title: body", or one
// JSON object with both.
class PrintedNotifications final : public NotificationSink {
public:
    explicit PrintedNotifications(bool json) : json_(json) {}

    void post(const Notification& notification) override {
        if (json_) {
            const nlohmann::ordered_json line{{"title", notification.title},
                                              {"body", notification.body}};
            std::printf("%s\n", jsonText(line).c_str());
        } else if (notification.body.empty()) {
            std::printf("%s\n", notification.title.c_str());
        } else {
            std::printf("%s: %s\n", notification.title.c_str(), notification.body.c_str());
        }
        std::fflush(stdout);
    }

private:
    bool json_;
};

// Waits for the interval, or less when a termination signal arrives (true then), handing the
// watcher what it reports meanwhile.
bool sleepUnlessInterrupted(int signals, NetworkChangeWatcher& watcher, const Clock& clock,
                            double seconds) {
    const double deadline = clock.monotonicNow() + seconds;
    for (double left = seconds; left > 0; left = deadline - clock.monotonicNow()) {
        // poll skips a descriptor of -1: a watcher that could not be set up.
        pollfd ready[2] = {{signals, POLLIN, 0}, {watcher.fd(), POLLIN, 0}};
        if (poll(ready, 2, static_cast<int>(std::ceil(left * 1000))) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (ready[0].revents & POLLIN) {
            return true;
        }
        if (ready[1].revents & POLLIN) {
            watcher.dispatch();
        }
    }
    return false;
}

// Once the history is safe, a reader that went away ends the command by its signal, as it ends
// any program that writes to a closed pipe.
void endLikeABrokenPipe() {
    sigset_t pending;
    if (sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE)) {
        sigset_t pipe;
        sigemptyset(&pipe);
        sigaddset(&pipe, SIGPIPE);
        pthread_sigmask(SIG_UNBLOCK, &pipe, nullptr);
    }
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

int run(const ParsedCommandLine& given) {
    const WatchOptions options = watchOptions(given);
    // Ctrl-C, termination and the hang-up of a closed terminal arrive as readable data and end
    // the loop between updates, so that the history is still saved.
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    sigaddset(&stop, SIGHUP);
    // So does a reader of the output that went away (a pager quit, `head` had enough): the
    // write fails instead of ending the process before it saves.
    sigaddset(&stop, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);
    const UniqueFd signals(signalfd(-1, &stop, SFD_CLOEXEC));

    const auto historyFile = defaultHistoryFilePath();
    std::optional<RecordingLock> recording;
    if (options.record) {
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
    const SystemClock clock;
    // Without --record the history file is only read, so the statistics include what the
    // tray recorded, and nothing is written back.
    const std::filesystem::path historyPath = historyFile.value_or(std::filesystem::path());
    NetworkMonitor monitor(recording ? HistoryStore(historyPath)
                                     : HistoryStore::readOnly(historyPath),
                           clock, MonitorSources::system());
    // The monitor reads the primary interfaces, profiles and names again only when told they
    // changed; without the system bus only the kernel's changes are seen.
    NetworkChangeWatcher watcher([&monitor](const auto&) { monitor.markMetadataStale(); },
                                 DbusConnection::openSystem());
    SystemAnnotations annotations;
    std::set<std::string> knownTunnels;
    const UpdateRequest request{.record = true,
                                .periods = options.periods,
                                .recentCount = RecordingSchedule::kRecentCount,
                                .interval = options.interval};
    RecordingSchedule schedule(clock.monotonicNow());
    PrintedNotifications printed(options.json);
    ChangeNotifier notifier(printed);
    for (long update = 0; options.count < 0 || update < options.count; ++update) {
        if (update > 0 && sleepUnlessInterrupted(signals.get(), watcher, clock, options.interval)) {
            break;
        }
        const auto updated = monitor.update(request).get();
        if (!updated) {
            // Nothing is printed for this interval; the next one reads again.
            std::fprintf(stderr, "wirelark-cli: cannot read the interfaces: %s\n",
                         updated.error().message().c_str());
            continue;
        }
        const MonitorUpdate& result = *updated;
        const double unixTime = clock.wallNow() + kReferenceDateUnixSeconds;
        if (options.notify) {
            notifier.checkItems(result.items, result.metadata->primaryIPv4Interface,
                                *options.notify);
        } else if (options.json) {
            annotations.metadata = *result.metadata;
            if (auto tunnels = tunnelNames(result.items); tunnels != knownTunnels) {
                knownTunnels = std::move(tunnels);
                annotations.owners = TunnelOwners().scan();
            }
            nlohmann::ordered_json items = nlohmann::ordered_json::array();
            for (const auto& item : result.items) {
                if (options.all || item.isActive()) {
                    items.push_back(itemJson(item, annotations));
                }
            }
            const nlohmann::ordered_json line{{"time", unixTime}, {"items", std::move(items)}};
            std::printf("%s\n", jsonText(line).c_str());
            std::fflush(stdout);
        } else {
            std::vector<InterfaceItem> shown;
            for (const auto& item : result.items) {
                if (options.all || item.isActive()) {
                    shown.push_back(item);
                }
            }
            printText(shown, options, unixTime);
        }
        if (const double now = clock.monotonicNow(); recording && schedule.isSaveDue(now)) {
            schedule.markSaved(now);
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
    endLikeABrokenPipe();
    return 0;
}

constexpr Option kOptions[] = {
    {.name = "--interval",
     .valueName = "S",
     .rule = &kSeconds,
     .help = "seconds between updates, instead of the tray app's"},
    {.name = "--count", .valueName = "N", .rule = &kWholeNumber, .help = "stop after N updates"},
    periodOption("S"),
    {.name = "--all", .help = "every interface, not only the active ones"},
    {.name = "--json", .help = "one JSON object per update"},
    {.name = "--record", .help = "keep the history file up to date, as the tray app does"},
    {.name = "--notify",
     .help = "print the tray app's notifications (with its switches) instead of the rates"},
};

} // namespace

const Command watchCommand{
    .name = "watch",
    .summary = "live rates and statistics of the active interfaces, every interval",
    .options = kOptions,
    .run = run,
};

} // namespace wirelark::cli
