#include "app/core/monitor_core.h"

#include "app/core/change_log.h"

#include "netcore/interfaces/interface_reader.h"
#include "netcore/sysconfig/system_configuration_reader.h"

#include <set>

namespace wirelark {

namespace {

// Up to three intervals apart a late or skipped tick still gives a sample; longer means a suspend.
constexpr double kLongestGapInIntervals = 3;

} // namespace

MonitorSources MonitorSources::system() {
    auto reader = std::make_shared<InterfaceReader>();
    auto configuration = std::make_shared<SystemConfigurationReader>();
    return {
        [reader] { return reader->snapshot(); },
        [configuration] { return configuration->read(); },
        [](const std::string& name) { return WiFiDetails::read(name); },
    };
}

MonitorCore::MonitorCore(HistoryStore store, const Clock& clock, MonitorSources sources)
    : store_(std::move(store)), clock_(clock), sources_(std::move(sources)) {}

void MonitorCore::loadHistory() {
    histories_ = store_.load();
    if (const auto& why = store_.unusableFile(); why && !store_.isReadOnly()) {
        const std::string file = store_.url().string();
        logLine(LogPriority::Warning, "cannot use the history file " + file + " (" + *why +
                                          "): the histories start empty, and the next save "
                                          "keeps that file as " +
                                          file + ".unreadable");
    }
}

Expected<MonitorUpdate, std::error_code> MonitorCore::update(const UpdateRequest& request) {
    const Instant now = clock_.wallNow();
    // Taken as no interfaces, a failed reading would drop every baseline and cost two samples.
    auto read = sources_.readInterfaces();
    if (!read) {
        return Unexpected(read.error());
    }
    const std::vector<InterfaceSnapshot>& snapshots = **read;

    std::vector<std::string> names;
    names.reserve(snapshots.size());
    for (const auto& snapshot : snapshots) {
        names.push_back(snapshot.name);
    }
    if (names != lastNames_) {
        lastNames_ = std::move(names);
        metadataStale_ = true;
    }
    if (metadataStale_) {
        metadata_ = std::make_shared<const NetworkMetadata>(sources_.readMetadata());
        metadataStale_ = false;
    }

    MonitorUpdate result;
    result.metadata = metadata_;
    const NetworkMetadata& metadata = *metadata_;
    result.items.reserve(snapshots.size());
    std::set<std::string> seen;
    for (const auto& snapshot : snapshots) {
        InterfaceItem item;
        const auto found = metadata.interfaces.find(snapshot.name);
        if (found != metadata.interfaces.end()) {
            item.metadata = found->second;
        }
        item.service = metadata.service(snapshot.name);
        item.key = interfaceKey(snapshot, item.metadata ? &*item.metadata : nullptr,
                                item.service ? &*item.service : nullptr);
        if (!seen.insert(item.key).second) {
            item.key = keyOfLaterHolder(item.key, snapshot.name);
            seen.insert(item.key);
        }
        auto history = histories_.find(item.key);
        if (request.record) {
            if (auto sample = tracker_.update(item.key, snapshot.counters, now,
                                              request.interval * kLongestGapInIntervals)) {
                if (history == histories_.end()) {
                    history =
                        histories_.emplace(item.key, RateHistory(RateHistory::kStandardRetention))
                            .first;
                }
                history->second.add(*sample);
            }
        }
        item.name = snapshot.name;
        item.isPrimary = snapshot.name == metadata.primaryIPv4Interface ||
                         snapshot.name == metadata.primaryIPv6Interface;
        if (classify(snapshot) == InterfaceKind::wifi) {
            item.wifi = sources_.readWiFi(snapshot.name);
        }
        if (history != histories_.end()) {
            item.recent = history->second.recentSamples(request.recentCount);
            for (double period : request.periods) {
                item.stats[period] = history->second.aggregate(period, now);
            }
        }
        item.snapshot = snapshot;
        result.items.push_back(std::move(item));
    }
    if (request.record) {
        tracker_.retain(seen);
        for (auto& [key, history] : histories_) {
            history.prune(now);
        }
    }
    return result;
}

} // namespace wirelark
