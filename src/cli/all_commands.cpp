#include "cli/commands.h"

namespace wirelark::cli {

namespace {

constexpr const Command* kCommands[] = {
    &listCommand,  &publicIPCommand,    &settingsCommand, &statsCommand,
    &watchCommand, &watchConfigCommand, &adminCommand,
};

} // namespace

std::span<const Command* const> allCommands() {
    return kCommands;
}

} // namespace wirelark::cli
