#include "netcore/sysconfig/desktop_entry.h"

namespace wirelark {

namespace {

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

// Undoes the string escapes of a desktop-entry value (\s \n \t \r \\).
std::string unescaped(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        switch (value[++i]) {
        case 's':
            out += ' ';
            break;
        case 'n':
            out += '\n';
            break;
        case 't':
            out += '\t';
            break;
        case 'r':
            out += '\r';
            break;
        default:
            out += value[i];
        }
    }
    return out;
}

} // namespace

DesktopEntry parseDesktopEntry(std::string_view text) {
    DesktopEntry entry;
    bool inMainGroup = false;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        const std::string_view line = trimmed(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (line.empty() || line.front() == '#') {
            continue;
        }
        if (line.front() == '[') {
            inMainGroup = line == "[Desktop Entry]";
            continue;
        }
        const size_t equals = line.find('=');
        if (!inMainGroup || equals == std::string_view::npos) {
            continue;
        }
        const std::string_view key = trimmed(line.substr(0, equals));
        if (key == "Hidden") {
            entry.hidden = trimmed(line.substr(equals + 1)) == "true";
            continue;
        }
        std::optional<std::string>* field = key == "Name"      ? &entry.name
                                            : key == "Exec"    ? &entry.exec
                                            : key == "TryExec" ? &entry.tryExec
                                                               : nullptr;
        // The first occurrence of a key counts, as in the desktop-entry readers people use.
        if (field != nullptr && !*field) {
            *field = unescaped(trimmed(line.substr(equals + 1)));
        }
    }
    return entry;
}

std::optional<std::string> execProgram(std::string_view exec) {
    exec = trimmed(exec);
    if (exec.empty()) {
        return std::nullopt;
    }
    if (exec.front() != '"') {
        const size_t space = exec.find_first_of(" \t");
        return std::string(exec.substr(0, space));
    }
    std::string program;
    for (size_t i = 1; i < exec.size(); ++i) {
        if (exec[i] == '"') {
            return program.empty() ? std::nullopt : std::optional(program);
        }
        if (exec[i] == '\\' && i + 1 < exec.size()) {
            ++i;
        }
        program += exec[i];
    }
    return std::nullopt;
}

} // namespace wirelark
