#pragma once

#include "bus_thread.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace wirelark::testing {

// The desktop's notification server on a test bus, served from a thread of its own: owns
// org.freedesktop.Notifications and records every Notify call. A `silent` server never answers.
class FakeNotificationServer {
public:
    struct Call {
        std::string appName;
        uint32_t replacesId = 0;
        std::string appIcon;
        std::string summary;
        std::string body;
        std::vector<std::string> actions;
        size_t hintCount = 0;
        int32_t expireTimeout = 0;
        bool expectsReply = true;

        bool operator==(const Call&) const = default;
    };

    FakeNotificationServer(const std::string& busAddress, bool silent = false);

    bool ready() const { return thread_.ready(); }
    std::vector<Call> calls() const;

private:
    bool setUp(sd_bus* bus);
    int onNotify(sd_bus_message* message);

    const bool silent_;
    mutable std::mutex mutex_;
    std::vector<Call> calls_;
    uint32_t lastId_ = 0;
    // Last: stops serving before the state it uses goes.
    BusThread thread_;
};

} // namespace wirelark::testing
