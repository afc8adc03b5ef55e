#include "fake_notification_server.h"

#include <cerrno>

namespace wirelark::testing {

FakeNotificationServer::FakeNotificationServer(const std::string& busAddress, bool silent)
    : silent_(silent), thread_(busAddress, [this](sd_bus* bus) { return setUp(bus); }) {}

bool FakeNotificationServer::setUp(sd_bus* bus) {
    static const sd_bus_vtable server[] = {
        SD_BUS_VTABLE_START(0),
        SD_BUS_METHOD(
            "Notify", "susssasa{sv}i", "u",
            [](sd_bus_message* m, void* self, sd_bus_error*) {
                return static_cast<FakeNotificationServer*>(self)->onNotify(m);
            },
            0),
        SD_BUS_VTABLE_END,
    };
    return sd_bus_add_object_vtable(bus, nullptr, "/org/freedesktop/Notifications",
                                    "org.freedesktop.Notifications", server, this) >= 0 &&
           sd_bus_request_name(bus, "org.freedesktop.Notifications", 0) >= 0;
}

int FakeNotificationServer::onNotify(sd_bus_message* message) {
    Call call;
    const char* appName = nullptr;
    const char* appIcon = nullptr;
    const char* summary = nullptr;
    const char* body = nullptr;
    if (sd_bus_message_read(message, "susss", &appName, &call.replacesId, &appIcon, &summary,
                            &body) < 0 ||
        sd_bus_message_enter_container(message, 'a', "s") < 0) {
        return -EINVAL;
    }
    const char* action = nullptr;
    while (sd_bus_message_read_basic(message, 's', &action) > 0) {
        call.actions.emplace_back(action);
    }
    if (sd_bus_message_exit_container(message) < 0 ||
        sd_bus_message_enter_container(message, 'a', "{sv}") < 0) {
        return -EINVAL;
    }
    while (sd_bus_message_skip(message, "{sv}") > 0) {
        ++call.hintCount;
    }
    if (sd_bus_message_exit_container(message) < 0 ||
        sd_bus_message_read(message, "i", &call.expireTimeout) < 0) {
        return -EINVAL;
    }
    call.appName = appName;
    call.appIcon = appIcon;
    call.summary = summary;
    call.body = body;
    call.expectsReply = sd_bus_message_get_expect_reply(message) > 0;
    {
        std::lock_guard lock(mutex_);
        calls_.push_back(std::move(call));
    }
    // Returning 1 without a reply leaves the caller waiting, as a hung server does.
    return silent_ ? 1 : sd_bus_reply_method_return(message, "u", ++lastId_);
}

std::vector<FakeNotificationServer::Call> FakeNotificationServer::calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

} // namespace wirelark::testing
