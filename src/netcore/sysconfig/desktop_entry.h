#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace wirelark {

// The keys of a freedesktop desktop entry's [Desktop Entry] group that name an application and
// the program it runs.
struct DesktopEntry {
    std::optional<std::string> name;
    std::optional<std::string> exec;
    std::optional<std::string> tryExec;
    // Hidden=true: the entry counts as deleted (a user's copy hides a system entry this way).
    bool hidden = false;

    bool operator==(const DesktopEntry&) const = default;
};

DesktopEntry parseDesktopEntry(std::string_view text);

// The program an Exec value runs: its first word, with double quotes and their backslash
// escapes undone. Absent when the value is empty or its quoting never ends.
std::optional<std::string> execProgram(std::string_view exec);

} // namespace wirelark
