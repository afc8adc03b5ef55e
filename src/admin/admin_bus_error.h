#pragma once

#include "admin/admin_error.h"

#include <optional>
#include <string>
#include <string_view>

#include <systemd/sd-bus.h>

namespace wirelark {

// The D-Bus error that carries `error`: the domain, ".Error." and the case's name with a capital
// ("com.quillfern.Wirelark.admin.Error.NotPaired"). One name per code, so the name carries the
// code; the message carries the description.
std::string busErrorName(AdminError error);
// Absent for any other name, the other names of the domain included.
std::optional<AdminError> adminErrorFromBusErrorName(std::string_view name);
// For a method handler: fills `into` with the error and returns the negative value an sd-bus
// handler returns to send it.
int setBusError(sd_bus_error* into, AdminError error);

} // namespace wirelark
