#pragma once

#include "cli/command_line.h"

#include <span>

namespace wirelark::cli {

// Each command declares its options and runs in a file of its own.
extern const Command adminCommand;
extern const Command listCommand;
extern const Command publicIPCommand;
extern const Command settingsCommand;
extern const Command statsCommand;
extern const Command watchCommand;
extern const Command watchConfigCommand;

// Every command, in the order the overview, the manual page and the completion list them.
std::span<const Command* const> allCommands();

} // namespace wirelark::cli
