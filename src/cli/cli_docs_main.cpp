// Writes wirelark-cli's manual page or bash completion at build time, from the option tables.
// Usage: wirelark-cli-docs man-page|bash-completion OUTPUT [VERSION]
#include "cli/bash_completion.h"
#include "cli/commands.h"
#include "cli/man_page.h"

#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>

int main(int argc, char** argv) {
    using namespace wirelark::cli;
    const std::string_view kind = argc > 2 ? argv[1] : "";
    std::string text;
    if (kind == "man-page" && argc == 4) {
        text = manPage(allCommands(), argv[3]);
    } else if (kind == "bash-completion" && argc == 3) {
        text = bashCompletion(allCommands());
    } else {
        std::fputs("usage: wirelark-cli-docs man-page OUTPUT VERSION\n"
                   "       wirelark-cli-docs bash-completion OUTPUT\n",
                   stderr);
        return 2;
    }
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) {
        std::fprintf(stderr, "wirelark-cli-docs: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
