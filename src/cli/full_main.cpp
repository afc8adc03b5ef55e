#include "cli/commands.h"

#include <cstdio>
#include <span>
#include <string_view>

namespace {

using namespace wirelark::cli;

void printOverview(std::FILE* out) {
    std::fputs(overview(allCommands()).c_str(), out);
}

} // namespace

// Every command, the overview and the usage errors; wirelark-cli hands it its command line.
int main(int argc, char** argv) {
    if (argc < 2) {
        printOverview(stderr);
        return 2;
    }
    const std::string_view name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        printOverview(stdout);
        return withOutputWritten(0);
    }
    for (const Command* command : allCommands()) {
        if (name == command->name) {
            return runCommand(*command, std::span(argv + 2, argv + argc));
        }
    }
    std::fprintf(stderr, "wirelark-cli: unknown command '%s'\n\n", argv[1]);
    printOverview(stderr);
    return 2;
}
