#pragma once

#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace wirelark::cli {

// What a value-taking option accepts. Values are checked as they are read, so the first mistake
// on the command line is the one reported.
struct ValueRule {
    std::string_view expected; // completes "--period takes ..., not 'x'"
    bool (*accepts)(std::string_view value);
};

struct Option {
    std::string_view name;        // "--period"
    std::string_view valueName{}; // "SECONDS"; empty for a flag
    // Every value is kept, shown as "[--period SECONDS]..."; otherwise the last one given counts.
    bool repeatable = false;
    const ValueRule* rule = nullptr; // nullptr takes any value
    std::string_view help{};

    bool takesValue() const { return !valueName.empty(); }
};

// How a command words a command line it does not take. The commands grew different wordings and
// scripts may match them, so each keeps its own.
enum class ErrorWording {
    program,            // "wirelark-cli: unknown option 'X'", "wirelark-cli: X needs a value"
    command,            // the same after "wirelark-cli list:"
    unexpectedArgument, // "wirelark-cli public-ip: unexpected argument 'X'", a missing value too
    usageOnly,          // the usage line alone
};

class ParsedCommandLine;

// One command of wirelark-cli: everything its usage, its parsing and the overview need.
struct Command {
    std::string_view name;
    std::string_view summary;
    std::span<const Option> options{};
    bool exclusive = false; // at most one of the options, once: "[--json | --import FILE]"
    ErrorWording wording = ErrorWording::program;
    int (*run)(const ParsedCommandLine& options) = nullptr; // returns the exit status
};

// A command line the command does not take: what to print on standard error.
struct CommandLineError {
    std::string message;
};

using ParseResult = std::variant<ParsedCommandLine, CommandLineError>;

// The arguments after the command's name, read against its option table.
ParseResult parseCommandLine(const Command& command, std::span<const std::string_view> arguments);

// The options a command line gave, by name.
class ParsedCommandLine {
public:
    bool has(std::string_view option) const;
    // The value given last, nothing when the option was not given.
    std::optional<std::string> value(std::string_view option) const;
    // Every value in command-line order, none when the option was not given.
    std::vector<std::string> values(std::string_view option) const;

private:
    friend ParseResult parseCommandLine(const Command&, std::span<const std::string_view>);
    void add(const Option& option, std::string_view value);

    std::map<std::string, std::vector<std::string>, std::less<>> given_;
};

// Runs the command on the arguments after its name. A command line it does not take is explained
// on standard error and ends with exit status 2; output that could not be written, with status 1.
int runCommand(const Command& command, std::span<char* const> arguments);

// `status`, or 1 after a note on standard error when standard output could not be written: a
// full disk must never pass for a saved export.
int withOutputWritten(int status);

// "stats [--history FILE] [--period SECONDS]... [--json]"
std::string usageLine(const Command& command);

// The top-level help: every command's usage line beside its summary.
std::string overview(std::span<const Command* const> commands);

} // namespace wirelark::cli
