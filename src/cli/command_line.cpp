#include "cli/command_line.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace wirelark::cli {

namespace {

constexpr size_t kOverviewUsageWidth = 52;

enum class Mistake { unknownOption, missingValue, secondOption };

std::string quoted(std::string_view text) {
    return "'" + std::string(text) + "'";
}

std::string optionText(const Option& option) {
    std::string text(option.name);
    if (option.takesValue()) {
        text += ' ';
        text += option.valueName;
    }
    return text;
}

std::string usageText(const Command& command) {
    return "usage: wirelark-cli " + usageLine(command) + "\n";
}

std::string prefix(const Command& command) {
    return command.wording == ErrorWording::program
               ? "wirelark-cli: "
               : "wirelark-cli " + std::string(command.name) + ": ";
}

std::string explanation(const Command& command, Mistake mistake, std::string_view argument,
                        std::string_view earlier) {
    if (command.wording == ErrorWording::unexpectedArgument) {
        return "unexpected argument " + quoted(argument);
    }
    switch (mistake) {
    case Mistake::unknownOption:
        return "unknown option " + quoted(argument);
    case Mistake::missingValue:
        return std::string(argument) + " needs a value";
    case Mistake::secondOption:
        return std::string(argument) + " cannot be given with " + std::string(earlier);
    }
    return {};
}

// A command line that does not fit the table: what is wrong with `argument`, then the usage.
CommandLineError misuse(const Command& command, Mistake mistake, std::string_view argument,
                        std::string_view earlier = {}) {
    if (command.wording == ErrorWording::usageOnly) {
        return {usageText(command)};
    }
    return {prefix(command) + explanation(command, mistake, argument, earlier) + "\n" +
            usageText(command)};
}

// A value its option does not take; the usage is right, so it is left out.
CommandLineError badValue(const Command& command, const Option& option, std::string_view value) {
    if (command.wording == ErrorWording::usageOnly) {
        return {usageText(command)};
    }
    return {prefix(command) + std::string(option.name) + " takes " +
            std::string(option.rule->expected) + ", not " + quoted(value) + "\n"};
}

} // namespace

bool ParsedCommandLine::has(std::string_view option) const {
    return given_.find(option) != given_.end();
}

std::optional<std::string> ParsedCommandLine::value(std::string_view option) const {
    const auto found = given_.find(option);
    if (found == given_.end() || found->second.empty()) {
        return std::nullopt;
    }
    return found->second.back();
}

std::vector<std::string> ParsedCommandLine::values(std::string_view option) const {
    const auto found = given_.find(option);
    return found != given_.end() ? found->second : std::vector<std::string>{};
}

void ParsedCommandLine::add(const Option& option, std::string_view value) {
    auto& values = given_[std::string(option.name)];
    if (!option.repeatable) {
        values.clear();
    }
    if (option.takesValue()) {
        values.emplace_back(value);
    }
}

ParseResult parseCommandLine(const Command& command, std::span<const std::string_view> arguments) {
    ParsedCommandLine parsed;
    std::string_view earlier; // the option given before, for commands that take only one
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        const auto option = std::find_if(command.options.begin(), command.options.end(),
                                         [&](const Option& o) { return o.name == argument; });
        if (option == command.options.end()) {
            return misuse(command, Mistake::unknownOption, argument);
        }
        if (command.exclusive && !earlier.empty()) {
            return misuse(command, Mistake::secondOption, argument, earlier);
        }
        earlier = option->name;
        if (!option->takesValue()) {
            parsed.add(*option, {});
            continue;
        }
        if (i + 1 == arguments.size()) {
            return misuse(command, Mistake::missingValue, argument);
        }
        const std::string_view value = arguments[++i];
        if (option->rule != nullptr && !option->rule->accepts(value)) {
            return badValue(command, *option, value);
        }
        parsed.add(*option, value);
    }
    return parsed;
}

int runCommand(const Command& command, std::span<char* const> arguments) {
    const std::vector<std::string_view> texts(arguments.begin(), arguments.end());
    const ParseResult parsed = parseCommandLine(command, texts);
    if (const auto* error = std::get_if<CommandLineError>(&parsed)) {
        std::fputs(error->message.c_str(), stderr);
        return 2;
    }
    return withOutputWritten(command.run(std::get<ParsedCommandLine>(parsed)));
}

int withOutputWritten(int status) {
    errno = 0;
    const bool flushed = std::fflush(stdout) == 0;
    if (flushed && std::ferror(stdout) == 0) {
        return status;
    }
    // A write that failed earlier leaves no reason behind, only the stream's error mark.
    const int reason = flushed ? 0 : errno;
    std::fprintf(stderr, "wirelark-cli: cannot write the output%s%s\n", reason != 0 ? ": " : "",
                 reason != 0 ? std::strerror(reason) : "");
    return status == 0 ? 1 : status;
}

std::string usageLine(const Command& command) {
    std::string line(command.name);
    if (command.exclusive && !command.options.empty()) {
        line += " [";
        for (size_t i = 0; i < command.options.size(); ++i) {
            line += (i == 0 ? "" : " | ") + optionText(command.options[i]);
        }
        return line + "]";
    }
    for (const Option& option : command.options) {
        line += " [" + optionText(option) + "]" + (option.repeatable ? "..." : "");
    }
    return line;
}

std::string overview(std::span<const Command* const> commands) {
    std::string text = "usage: wirelark-cli <command> [options]\n\ncommands:\n";
    for (const Command* command : commands) {
        const std::string usage = usageLine(*command);
        text += "  " + usage;
        text.append(kOverviewUsageWidth - std::min(usage.size(), kOverviewUsageWidth), ' ');
        text += " " + std::string(command->summary) + "\n";
    }
    return text;
}

} // namespace wirelark::cli
