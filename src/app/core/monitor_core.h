#pragma once

#include "app/core/clock.h"
#include "app/core/interface_item.h"
#include "netcore/base/expected.h"
#include "netcore/history/counter_delta_tracker.h"
#include "netcore/history/history_store.h"
#include "netcore/sysconfig/network_metadata.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

namespace wirelark {

// What one update asks of the monitor.
struct UpdateRequest {
    // Counters become samples in the histories; an extra refresh leaves them for the next update.
    bool record = false;
    std::vector<double> periods{}; // seconds; every item gets its aggregate over each
    int recentCount = 0;           // how many of the latest samples every item carries
    double interval = 0;           // seconds between recorded updates
};

struct MonitorUpdate {
    std::vector<InterfaceItem> items; // in the reader's order
    // Shared with the monitor and the updates before, until the configuration is read again:
    // a tick hands it on without copying it, and a receiver tells a new reading by the pointer.
    std::shared_ptr<const NetworkMetadata> metadata;
};

// Where the monitor's readings come from; the system's own by default, fakes in tests.
struct MonitorSources {
    std::function<Expected<SharedSnapshots, std::error_code>()> readInterfaces;
    std::function<NetworkMetadata()> readMetadata;
    std::function<std::optional<WiFiDetails>(const std::string& name)> readWiFi;

    // The kernel's interfaces, the system configuration and nl80211.
    static MonitorSources system();
};

// Turns interface readings into display items and keeps the rate history of every interface.
// Not thread-safe: NetworkMonitor runs it on a thread of its own.
class MonitorCore {
public:
    MonitorCore(HistoryStore store, const Clock& clock, MonitorSources sources);

    // Loads the stored histories, replacing those in memory, and logs a file it cannot use.
    void loadHistory();
    // One reading of every interface, or why the interfaces cannot be read; a failed reading
    // changes nothing, so the next one takes up where the last good one left off.
    Expected<MonitorUpdate, std::error_code> update(const UpdateRequest& request);
    void markMetadataStale() { metadataStale_ = true; }
    std::error_code saveHistory() { return store_.save(histories_); }

    const HistoryMap& histories() const { return histories_; }

private:
    HistoryStore store_;
    const Clock& clock_;
    MonitorSources sources_;
    CounterDeltaTracker tracker_;
    HistoryMap histories_;
    std::shared_ptr<const NetworkMetadata> metadata_;
    bool metadataStale_ = true;
    std::vector<std::string> lastNames_;
};

} // namespace wirelark
