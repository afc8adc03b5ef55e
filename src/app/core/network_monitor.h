#pragma once

#include "app/core/monitor_core.h"
#include "app/core/monitor_service.h"
#include "app/core/serial_worker.h"

#include <filesystem>
#include <functional>
#include <future>

namespace wirelark {

// The monitor as the rest of the program sees it: every call runs on the monitor's own thread,
// one at a time and in call order, so its histories and counters need no locks. Results come
// back as futures, or to a callback that runs on the monitor's thread.
class NetworkMonitor final : public MonitorService {
public:
    NetworkMonitor(std::filesystem::path historyFile, const Clock& clock,
                   MonitorSources sources = MonitorSources::system());
    NetworkMonitor(HistoryStore store, const Clock& clock, MonitorSources sources);

    std::future<Expected<MonitorUpdate, std::error_code>> update(UpdateRequest request);
    void update(UpdateRequest request,
                std::function<void(Expected<MonitorUpdate, std::error_code>)> done) override;
    std::future<std::error_code> saveHistory();
    void saveHistory(std::function<void(std::error_code)> done) override;
    void markMetadataStale() override;

private:
    // Declared before the worker so that the worker's thread is joined before it goes away.
    MonitorCore core_;
    SerialWorker worker_;
};

} // namespace wirelark
