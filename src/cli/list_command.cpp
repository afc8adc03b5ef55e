#include "cli/commands.h"

#include <cstdio>

namespace wirelark::cli {

int runList(int, char**) {
    std::fputs("wirelark-cli: list is not available yet\n", stderr);
    return 1;
}

} // namespace wirelark::cli
