#pragma once

#include <string>

namespace wirelark {

// The journal's (syslog's) priority levels, most urgent first.
enum class LogPriority {
    Emergency = 0,
    Alert = 1,
    Critical = 2,
    Error = 3,
    Warning = 4,
    Notice = 5,
    Info = 6,
    Debug = 7,
};

// Writes one line to the systemd journal (identifier "wirelark", subsystem and category fields),
// or to standard error where no journal runs.
void logLine(LogPriority priority, const std::string& message);

} // namespace wirelark
