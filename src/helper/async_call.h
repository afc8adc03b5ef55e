#pragma once

#include <cstdint>
#include <functional>

#include <systemd/sd-bus.h>

namespace wirelark {

// Sends `call` and runs `onReply` on the bus loop with its reply or error, once; dropped
// unanswered when the connection goes first. `timeout` as sd-bus takes it (UINT64_MAX: none).
// Negative errno when it could not be sent.
int callAsync(sd_bus_message* call, uint64_t timeout,
              std::function<void(sd_bus_message* reply)> onReply);

} // namespace wirelark
