#pragma once

#include <sys/types.h>

#include <functional>

#include <systemd/sd-bus.h>

namespace wirelark {

// Asks the bus daemon for the uid of the process that sent `call`, without waiting for the
// answer: `then` runs on the bus loop with the call and the uid. When the daemon cannot tell
// (the caller has left), the call is answered with the daemon's error and `then` never runs.
// Negative errno when the question could not be sent.
int withCallerUid(sd_bus_message* call, std::function<void(sd_bus_message* call, uid_t uid)> then);

} // namespace wirelark
