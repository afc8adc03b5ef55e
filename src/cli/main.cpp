#include "cli/commands.h"

#include <cstdio>
#include <string_view>

namespace {

using wirelark::cli::Command;

// One row per command; each command lives in its own file and parses its own options.
constexpr Command kCommands[] = {
    {"list", "list [--json]", "every interface with its addresses, flags, media and counters",
     wirelark::cli::runList},
    {"public-ip", "public-ip [--url URL] [--key-path PATH] [--json]",
     "the public IPv4 and IPv6 addresses, as a lookup service sees them",
     wirelark::cli::runPublicIP},
    {"settings", "settings [--json | --export | --import FILE]",
     "the tray app's settings, and where they are stored", wirelark::cli::runSettings},
    {"stats", "stats [--history FILE] [--period SECONDS]... [--json]",
     "measured time, bytes and rates per interface over periods, from the history file",
     wirelark::cli::runStats},
    {"watch", "watch [--interval S] [--count N] [--period S]... [--all] [--json] [--record]",
     "live rates and statistics of the active interfaces, every interval", wirelark::cli::runWatch},
    {"watch-config", "watch-config", "print each batch of changed configuration keys (Ctrl-C ends)",
     wirelark::cli::runWatchConfig},
};

void printUsage(std::FILE* out) {
    std::fputs("usage: wirelark-cli <command> [options]\n\ncommands:\n", out);
    for (const auto& command : kCommands) {
        std::fprintf(out, "  %-52s %s\n", command.usage, command.summary);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        printUsage(stderr);
        return 2;
    }
    const std::string_view name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        printUsage(stdout);
        return 0;
    }
    for (const auto& command : kCommands) {
        if (name == command.name) {
            return command.run(argc - 2, argv + 2);
        }
    }
    std::fprintf(stderr, "wirelark-cli: unknown command '%s'\n\n", argv[1]);
    printUsage(stderr);
    return 2;
}
