#include "cli/hand_over.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace wirelark::cli {

int handOverToFullProgram(char** argv) {
    // From the running executable's real folder, so that a symbolic link to wirelark-cli works
    // too. Without it the relative path (WIRELARK_CLI_FULL_FROM_HERE, set by the build) is only
    // shown, never run: it would be looked up in the working folder.
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    const std::filesystem::path full =
        (self.parent_path() / WIRELARK_CLI_FULL_FROM_HERE).lexically_normal();
    if (!error) {
        ::execv(full.c_str(), argv);
        error = std::error_code(errno, std::generic_category());
    }
    std::fprintf(stderr, "wirelark-cli: cannot start %s: %s\n", full.c_str(),
                 error.message().c_str());
    return 1;
}

} // namespace wirelark::cli
