#pragma once

#include <functional>
#include <string>
#include <string_view>

#include <systemd/sd-bus.h>

namespace wirelark {

// Asks polkit whether the peer behind the bus name `subject` may do `action`, letting polkit ask
// for an administrator's password. `verdict` runs on the bus loop once, with false on any
// failure (no polkit, a refusal, a dismissed dialog, a broken reply). Negative errno when the
// question could not be sent; `verdict` does not run then.
int checkAuthorization(sd_bus* bus, const std::string& subject, std::string_view action,
                       std::function<void(bool authorized)> verdict);

} // namespace wirelark
