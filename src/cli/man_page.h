#pragma once

#include "cli/command_line.h"

#include <span>
#include <string>
#include <string_view>

namespace wirelark::cli {

// The wirelark-cli(1) manual page in roff, one section per command with its options, made from
// the same tables the parser reads so that the page cannot fall behind the program.
std::string manPage(std::span<const Command* const> commands, std::string_view version);

} // namespace wirelark::cli
