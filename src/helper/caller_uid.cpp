#include "helper/caller_uid.h"

#include "helper/async_call.h"
#include "netcore/dbus/dbus_connection.h"

#include <cstdint>
#include <memory>

namespace wirelark {

int withCallerUid(sd_bus_message* call, std::function<void(sd_bus_message*, uid_t)> then) {
    sd_bus_message* raw = nullptr;
    int r = sd_bus_message_new_method_call(sd_bus_message_get_bus(call), &raw,
                                           "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                           "org.freedesktop.DBus", "GetConnectionUnixUser");
    const BusMessage question(raw);
    r = r < 0 ? r : sd_bus_message_append(question.get(), "s", sd_bus_message_get_sender(call));
    if (r < 0) {
        return r;
    }
    return callAsync(
        question.get(), 0,
        [call = std::shared_ptr<sd_bus_message>(sd_bus_message_ref(call), sd_bus_message_unref),
         then = std::move(then)](sd_bus_message* reply) {
            uint32_t uid = 0;
            if (const sd_bus_error* error = sd_bus_message_get_error(reply)) {
                sd_bus_reply_method_error(call.get(), error);
            } else if (sd_bus_message_read(reply, "u", &uid) > 0) {
                then(call.get(), uid);
            } else {
                sd_bus_reply_method_errorf(call.get(), SD_BUS_ERROR_FAILED,
                                           "The caller is unknown");
            }
        });
}

} // namespace wirelark
