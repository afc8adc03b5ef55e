#include "app/core/network_monitor.h"

namespace wirelark {

NetworkMonitor::NetworkMonitor(std::filesystem::path historyFile, MonitorSources sources)
    : NetworkMonitor(HistoryStore(std::move(historyFile)), std::move(sources)) {}

NetworkMonitor::NetworkMonitor(HistoryStore store, MonitorSources sources)
    : core_(std::move(store), std::move(sources)) {
    // Loading reads the file: do it on the monitor's thread, ahead of every other call.
    worker_.post([this] { core_.loadHistory(); });
}

std::future<MonitorUpdate> NetworkMonitor::update(bool record, std::vector<double> periods,
                                                  int recentCount, double interval) {
    return worker_.submit([this, record, periods = std::move(periods), recentCount, interval] {
        return core_.update(record, periods, recentCount, interval);
    });
}

void NetworkMonitor::update(bool record, std::vector<double> periods, int recentCount,
                            double interval, std::function<void(MonitorUpdate)> done) {
    worker_.post(
        [this, record, periods = std::move(periods), recentCount, interval,
         done = std::move(done)] { done(core_.update(record, periods, recentCount, interval)); });
}

std::future<std::error_code> NetworkMonitor::saveHistory() {
    return worker_.submit([this] { return core_.saveHistory(); });
}

void NetworkMonitor::saveHistory(std::function<void(std::error_code)> done) {
    worker_.post([this, done = std::move(done)] { done(core_.saveHistory()); });
}

void NetworkMonitor::markMetadataStale() {
    worker_.post([this] { core_.markMetadataStale(); });
}

} // namespace wirelark
