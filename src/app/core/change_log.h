#pragma once

#include <string>

namespace wirelark {

// Writes one line to the systemd journal (identifier "wirelark", subsystem and category fields),
// or to standard error where no journal runs. Levels are syslog priorities: 6 info, 5 default.
void logLine(int priority, const std::string& message);

} // namespace wirelark
