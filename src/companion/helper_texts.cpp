#include "companion/helper_texts.h"

#include "admin/admin_bus_error.h"
#include "admin/admin_constants.h"

#include <array>
#include <string_view>

namespace wirelark {

namespace {

struct KnownError {
    std::string_view name;
    std::string_view text;
};

constexpr std::string_view kNotRunning = "The admin helper isn't installed or isn't running.";
constexpr std::string_view kNoBus = "Wirelark Admin can't reach the system bus.";
constexpr std::string_view kNoAnswer = "The admin helper didn't answer.";
constexpr std::string_view kTooNew =
    "The admin helper doesn't understand this version of Wirelark Admin. Update the admin helper.";

constexpr std::array kKnownErrors{
    KnownError{"org.freedesktop.DBus.Error.ServiceUnknown", kNotRunning},
    KnownError{"org.freedesktop.DBus.Error.NameHasNoOwner", kNotRunning},
    KnownError{"org.freedesktop.DBus.Error.Spawn.ChildExited", kNotRunning},
    KnownError{"org.freedesktop.DBus.Error.NoReply", kNoAnswer},
    KnownError{"org.freedesktop.DBus.Error.Timeout", kNoAnswer},
    KnownError{"org.freedesktop.DBus.Error.TimedOut", kNoAnswer},
    KnownError{"org.freedesktop.DBus.Error.Disconnected", kNoBus},
    KnownError{"org.freedesktop.DBus.Error.NoServer", kNoBus},
    KnownError{"org.freedesktop.DBus.Error.AccessDenied",
               "The system bus doesn't let Wirelark Admin call the admin helper."},
    KnownError{"org.freedesktop.DBus.Error.UnknownMethod", kTooNew},
    KnownError{"org.freedesktop.DBus.Error.UnknownObject", kTooNew},
    KnownError{"org.freedesktop.DBus.Error.UnknownInterface", kTooNew},
};

} // namespace

std::string helperStatusText(const AdminStatus& status) {
    const std::string helper =
        status.version ? "Admin helper " + *status.version : std::string("The admin helper");
    if (status.protocol < AdminConstants::protocolVersion) {
        return helper + " is too old for Wirelark Admin. Update the admin helper.";
    }
    return helper + " is running.";
}

std::string callErrorText(const BusError& error) {
    if (const auto refusal = adminErrorFromBusErrorName(error.name)) {
        return std::string(description(*refusal)) + ".";
    }
    for (const KnownError& known : kKnownErrors) {
        if (known.name == error.name) {
            return std::string(known.text);
        }
    }
    return "The admin helper call failed: " + (error.message.empty() ? error.name : error.message);
}

} // namespace wirelark
