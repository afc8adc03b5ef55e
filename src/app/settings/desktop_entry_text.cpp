#include "app/settings/desktop_entry_text.h"

namespace wirelark {

namespace {

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

} // namespace

bool isHiddenDesktopEntry(std::string_view text) {
    bool inMainGroup = false;
    while (!text.empty()) {
        const auto newline = text.find('\n');
        const std::string_view line = trimmed(text.substr(0, newline));
        text = newline == std::string_view::npos ? std::string_view() : text.substr(newline + 1);
        if (line.starts_with('[')) {
            inMainGroup = line == "[Desktop Entry]";
            continue;
        }
        const auto equals = line.find('=');
        if (!inMainGroup || equals == std::string_view::npos) {
            continue;
        }
        if (trimmed(line.substr(0, equals)) == "Hidden") {
            return trimmed(line.substr(equals + 1)) == "true";
        }
    }
    return false;
}

std::string desktopEntryExec(std::string_view program) {
    // Inside the quotes these four take a backslash; a field code's percent sign is doubled to
    // stay literal.
    std::string argument = "\"";
    for (const char c : program) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            argument += '\\';
        }
        if (c == '%') {
            argument += '%';
        }
        argument += c;
    }
    argument += '"';
    // The value is a string as well, whose own escaping doubles every backslash and writes
    // line breaks as escapes so that they cannot end the line.
    std::string value;
    for (const char c : argument) {
        if (c == '\n') {
            value += "\\n";
        } else if (c == '\r') {
            value += "\\r";
        } else {
            if (c == '\\') {
                value += '\\';
            }
            value += c;
        }
    }
    return value;
}

} // namespace wirelark
