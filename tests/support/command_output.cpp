#include "command_output.h"

#include <sys/wait.h>

#include <cstdio>

namespace wirelark::testing {

CommandOutput runCapturing(const std::string& command) {
    CommandOutput result;
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    char chunk[4096];
    while (const std::size_t got = std::fread(chunk, 1, sizeof chunk, pipe)) {
        result.output.append(chunk, got);
    }
    const int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

} // namespace wirelark::testing
