#pragma once

#include "admin/admin_error.h"
#include "netcore/base/expected.h"
#include "netcore/dbus/dbus_connection.h"

#include <chrono>
#include <string>

namespace wirelark {

// Turns the NetworkManager connection profile with `uuid` on (activated on whichever device
// NetworkManager picks) or off (every active connection of it deactivated; a profile that is not
// active is off already). Blocking calls sharing one deadline `budget` from now: for a thread
// of its own. unknownService when NetworkManager has no such profile, configurationFailed when
// it refuses or does not answer.
Expected<void, AdminError> switchProfile(const DbusConnection& bus, const std::string& uuid,
                                         bool enabled, std::chrono::microseconds budget);

} // namespace wirelark
