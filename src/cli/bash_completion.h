#pragma once

#include "cli/command_line.h"

#include <span>
#include <string>

namespace wirelark::cli {

// The bash completion script for wirelark-cli, made from the commands' option tables: command
// names first, then each command's options (those given already are not offered again, unless
// repeatable), and file names after an option whose value is a FILE.
std::string bashCompletion(std::span<const Command* const> commands);

} // namespace wirelark::cli
