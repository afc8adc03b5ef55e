#pragma once

#include "app/notify/notification.h"

namespace wirelark {

class QtBusDispatcher;

// Posts to the desktop's notification server (org.freedesktop.Notifications on the session
// bus). Calls go out without asking for a reply, so a missing, refusing or hung server can
// neither block the event loop nor pile up pending calls.
class DesktopNotifications final : public NotificationSink {
public:
    static constexpr const char* kAppName = "Wirelark";
    static constexpr const char* kIconName = "wirelark";

    // `sessionBus` may be null (no session bus): then nothing is posted.
    explicit DesktopNotifications(QtBusDispatcher* sessionBus) : bus_(sessionBus) {}

    void post(const Notification& notification) override;

private:
    QtBusDispatcher* bus_;
};

} // namespace wirelark
