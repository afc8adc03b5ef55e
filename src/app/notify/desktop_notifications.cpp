#include "app/notify/desktop_notifications.h"

#include "app/bus/qt_bus_dispatcher.h"

namespace wirelark {

void DesktopNotifications::post(const Notification& notification) {
    if (!bus_ || !bus_->isConnected()) {
        return;
    }
    const BusMessage call =
        bus_->bus().newMethodCall("org.freedesktop.Notifications", "/org/freedesktop/Notifications",
                                  "org.freedesktop.Notifications", "Notify");
    if (!call) {
        return;
    }
    // app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout (-1: the
    // server's default).
    const int appended =
        sd_bus_message_append(call.get(), "susssasa{sv}i", kAppName, uint32_t{0}, kIconName,
                              notification.title.c_str(), notification.body.c_str(), 0, 0, -1);
    if (appended < 0 || sd_bus_message_set_expect_reply(call.get(), 0) < 0) {
        return;
    }
    // A failure to queue is dropped like any refusal of the server.
    if (sd_bus_send(bus_->bus().get(), call.get(), nullptr) >= 0) {
        bus_->flushSoon();
    }
}

} // namespace wirelark
