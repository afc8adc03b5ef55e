#pragma once

#include "admin/admin_replies.h"

#include "netcore/dbus/dbus_connection.h"

#include <string>

namespace wirelark {

// The status line for a helper that answered: its version, or that it is too old.
std::string helperStatusText(const AdminStatus& status);

// What the user reads when a call to the helper failed: the helper's own refusal in its words,
// otherwise what the bus error means for them, with the bus's message only for the unforeseen.
std::string callErrorText(const BusError& error);

} // namespace wirelark
