#include "cli/man_page.h"

namespace wirelark::cli {

namespace {

// Text as roff prints it literally: a backslash is an escape and a hyphen may be hyphenated,
// while option names need a real minus so that they can be searched for and pasted.
std::string roff(std::string_view text) {
    std::string escaped;
    for (const char c : text) {
        if (c == '\\') {
            escaped += "\\e";
        } else if (c == '-') {
            escaped += "\\-";
        } else {
            escaped += c;
        }
    }
    // A line starting with a dot or an apostrophe would be read as a request.
    if (!escaped.empty() && (escaped.front() == '.' || escaped.front() == '\'')) {
        escaped.insert(0, "\\&");
    }
    return escaped;
}

// The tables' texts are written to follow a name on the same line; here they stand alone.
std::string sentence(std::string_view text) {
    std::string line = roff(text);
    if (!line.empty() && line.front() >= 'a' && line.front() <= 'z') {
        line.front() = static_cast<char>(line.front() - 'a' + 'A');
    }
    if (!line.empty() && line.back() != '.') {
        line += '.';
    }
    return line;
}

std::string optionSection(const Option& option) {
    std::string text = ".TP\n";
    if (option.takesValue()) {
        text += ".BI \"" + roff(option.name) + " \" " + roff(option.valueName) + "\n";
    } else {
        text += ".B " + roff(option.name) + "\n";
    }
    text += sentence(option.help);
    if (option.repeatable) {
        text += " May be given more than once.";
    }
    return text + "\n";
}

std::string commandSection(const Command& command) {
    std::string text = ".SS " + roff(usageLine(command)) + "\n" + sentence(command.summary) + "\n";
    if (command.exclusive && command.options.size() > 1) {
        text += "At most one of the options may be given.\n";
    }
    for (const Option& option : command.options) {
        text += optionSection(option);
    }
    return text;
}

} // namespace

std::string manPage(std::span<const Command* const> commands, std::string_view version) {
    std::string page = ".TH WIRELARK\\-CLI 1 \"\" \"Wirelark " + roff(version) +
                       "\" \"User Commands\"\n"
                       // Ragged right: justified usage lines spread their options apart.
                       ".ad l\n"
                       ".SH NAME\n"
                       "wirelark\\-cli \\- network interfaces, rates and statistics in the "
                       "terminal\n"
                       ".SH SYNOPSIS\n"
                       ".B wirelark\\-cli\n"
                       ".I command\n"
                       ".RI [ options ]\n"
                       ".br\n"
                       ".B wirelark\\-cli \\-\\-help\n"
                       ".SH DESCRIPTION\n"
                       ".B wirelark\\-cli\n"
                       "is the terminal front end of the Wirelark tray app. It lists the network "
                       "interfaces, shows their live rates and the statistics the tray app "
                       "records, looks up the public addresses, reads and writes the tray app's "
                       "settings, and talks to the admin helper.\n"
                       ".SH COMMANDS\n";
    for (const Command* command : commands) {
        page += commandSection(*command);
    }
    page += ".SH EXIT STATUS\n"
            "0 when the command did what was asked, 2 when the command line was not understood "
            "(the usage is printed on standard error), and 1 when the command failed otherwise.\n"
            ".SH SEE ALSO\n"
            ".BR wirelark (1)\n";
    return page;
}

} // namespace wirelark::cli
