#include <cstdio>
#include <cstring>
#include <string_view>

namespace {

void printUsage(std::FILE* out) {
    std::fputs("usage: wirelark-cli <command> [options]\n"
               "\n"
               "commands:\n",
               out);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        printUsage(stderr);
        return 2;
    }
    const std::string_view command = argv[1];
    if (command == "--help" || command == "-h" || command == "help") {
        printUsage(stdout);
        return 0;
    }
    std::fprintf(stderr, "wirelark-cli: unknown command '%s'\n", argv[1]);
    printUsage(stderr);
    return 2;
}
