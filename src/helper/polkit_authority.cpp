#include "helper/polkit_authority.h"

#include "helper/async_call.h"
#include "netcore/dbus/dbus_connection.h"

#include <cstdint>

namespace wirelark {

namespace {

// CheckAuthorization's flag that lets polkit ask the user.
constexpr uint32_t kAllowUserInteraction = 1;

} // namespace

int checkAuthorization(sd_bus* bus, const std::string& subject, std::string_view action,
                       std::function<void(bool authorized)> verdict) {
    sd_bus_message* raw = nullptr;
    int r = sd_bus_message_new_method_call(
        bus, &raw, "org.freedesktop.PolicyKit1", "/org/freedesktop/PolicyKit1/Authority",
        "org.freedesktop.PolicyKit1.Authority", "CheckAuthorization");
    const BusMessage call(raw);
    const std::string actionId(action);
    r = r < 0 ? r
              : sd_bus_message_append(call.get(), "(sa{sv})sa{ss}us", "system-bus-name", 1, "name",
                                      "s", subject.c_str(), actionId.c_str(), 0,
                                      kAllowUserInteraction, "");
    if (r < 0) {
        return r;
    }
    // No timeout: the administrator may take their time with the password dialog.
    return callAsync(call.get(), UINT64_MAX, [verdict = std::move(verdict)](sd_bus_message* reply) {
        int authorized = 0;
        const bool answered = !sd_bus_message_is_method_error(reply, nullptr) &&
                              sd_bus_message_enter_container(reply, 'r', "bba{ss}") > 0 &&
                              sd_bus_message_read(reply, "b", &authorized) > 0;
        verdict(answered && authorized);
    });
}

} // namespace wirelark
