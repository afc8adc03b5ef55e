#include "cli/commands.h"
#include "cli/hand_over.h"

#include <span>
#include <string_view>

// `list` runs here, linked with only what it needs, so that it starts without the loader mapping
// Qt, OpenSSL and the keyring for it. Every other command line, the overview and its usage
// errors come from the full program.
int main(int argc, char** argv) {
    using namespace wirelark::cli;
    if (argc >= 2 && std::string_view(argv[1]) == listCommand.name) {
        return runCommand(listCommand, std::span(argv + 2, argv + argc));
    }
    return handOverToFullProgram(argv);
}
