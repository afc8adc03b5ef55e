#pragma once

#include <optional>
#include <string>
#include <vector>

namespace wirelark {

// How a program ended and what it wrote to its standard output.
struct CapturedProcess {
    // The exit status; -1 when it ended by a signal.
    int status = -1;
    std::string output;
};

// Runs `program` (looked up on PATH unless it holds a "/") with `arguments`, its standard input
// and error on /dev/null, and waits for it to end. Absent when it could not be started.
std::optional<CapturedProcess> runCapturingOutput(const std::string& program,
                                                  const std::vector<std::string>& arguments);

} // namespace wirelark
