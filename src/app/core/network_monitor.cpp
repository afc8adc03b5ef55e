#include "app/core/network_monitor.h"

namespace wirelark {

NetworkMonitor::NetworkMonitor(std::filesystem::path historyFile, const Clock& clock,
                               MonitorSources sources)
    : NetworkMonitor(HistoryStore(std::move(historyFile)), clock, std::move(sources)) {}

NetworkMonitor::NetworkMonitor(HistoryStore store, const Clock& clock, MonitorSources sources)
    : core_(std::move(store), clock, std::move(sources)) {
    // Loading reads the file: do it on the monitor's thread, ahead of every other call.
    worker_.post([this] { core_.loadHistory(); });
}

std::future<Expected<MonitorUpdate, std::error_code>>
NetworkMonitor::update(UpdateRequest request) {
    return worker_.submit([this, request = std::move(request)] { return core_.update(request); });
}

void NetworkMonitor::update(UpdateRequest request,
                            std::function<void(Expected<MonitorUpdate, std::error_code>)> done) {
    worker_.post([this, request = std::move(request), done = std::move(done)] {
        done(core_.update(request));
    });
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
