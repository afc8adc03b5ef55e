#pragma once

#include "app/notify/notification.h"

#include <vector>

namespace wirelark::testing {

// Keeps every notification posted to it, in order.
struct RecordingNotifications final : NotificationSink {
    std::vector<Notification> posted;

    void post(const Notification& notification) override { posted.push_back(notification); }
};

} // namespace wirelark::testing
