#include "cli/commands.h"

#include <cstdio>
#include <string_view>
#include <variant>
#include <vector>

namespace {

using namespace wirelark::cli;

void printOverview(std::FILE* out) {
    std::fputs(overview(allCommands()).c_str(), out);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        printOverview(stderr);
        return 2;
    }
    const std::string_view name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        printOverview(stdout);
        return 0;
    }
    for (const Command* command : allCommands()) {
        if (name == command->name) {
            const std::vector<std::string_view> arguments(argv + 2, argv + argc);
            const ParseResult parsed = parseCommandLine(*command, arguments);
            if (const auto* error = std::get_if<CommandLineError>(&parsed)) {
                std::fputs(error->message.c_str(), stderr);
                return 2;
            }
            return command->run(std::get<ParsedCommandLine>(parsed));
        }
    }
    std::fprintf(stderr, "wirelark-cli: unknown command '%s'\n\n", argv[1]);
    printOverview(stderr);
    return 2;
}
