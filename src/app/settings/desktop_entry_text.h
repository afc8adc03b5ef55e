#pragma once

#include <string>
#include <string_view>

namespace wirelark {

// True when the file's "[Desktop Entry]" group says Hidden=true: the desktop then treats the
// entry as deleted.
bool isHiddenDesktopEntry(std::string_view text);
// The Exec value that runs exactly this program with no arguments, quoted and escaped as the
// desktop entry rules want.
std::string desktopEntryExec(std::string_view program);

} // namespace wirelark
