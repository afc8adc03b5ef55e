#pragma once

#include "app/core/monitor_core.h"

#include <functional>
#include <system_error>

namespace wirelark {

// What the application's model needs of the monitor; completion callbacks may run on any thread.
class MonitorService {
public:
    virtual ~MonitorService() = default;
    virtual void update(UpdateRequest request,
                        std::function<void(Expected<MonitorUpdate, std::error_code>)> done) = 0;
    virtual void saveHistory(std::function<void(std::error_code)> done) = 0;
    virtual void markMetadataStale() = 0;
};

} // namespace wirelark
