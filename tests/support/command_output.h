#pragma once

#include <string>

namespace wirelark::testing {

// What a shell command printed on its standard output, and how it ended.
struct CommandOutput {
    // The exit status, or -1 when the command did not exit normally or could not start.
    int status = -1;
    std::string output;
};

// Runs `command` through the shell and collects its standard output until it ends.
CommandOutput runCapturing(const std::string& command);

} // namespace wirelark::testing
