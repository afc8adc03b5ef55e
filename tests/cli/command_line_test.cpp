#include "cli/command_line.h"
#include "cli/option_values.h"

#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

using namespace wirelark::cli;

namespace {

constexpr Option kStatsOptions[] = {
    {.name = "--history", .valueName = "FILE"},
    periodOption("SECONDS"),
    {.name = "--interval", .valueName = "S", .rule = &kSeconds},
    {.name = "--json"},
};
const Command kStats{.name = "stats", .summary = "sums", .options = kStatsOptions};

constexpr Option kJsonOnly[] = {{.name = "--json"}};
const Command kList{.name = "list",
                    .summary = "interfaces",
                    .options = kJsonOnly,
                    .wording = ErrorWording::command};

constexpr Option kLookupOptions[] = {{.name = "--url", .valueName = "URL"}, {.name = "--json"}};
const Command kLookup{.name = "public-ip",
                      .summary = "addresses",
                      .options = kLookupOptions,
                      .wording = ErrorWording::unexpectedArgument};

constexpr Option kModes[] = {
    {.name = "--json"}, {.name = "--export"}, {.name = "--import", .valueName = "FILE"}};
const Command kSettings{.name = "settings",
                        .summary = "settings",
                        .options = kModes,
                        .exclusive = true,
                        .wording = ErrorWording::usageOnly};
const Command kOneMode{.name = "mode", .summary = "one mode", .options = kModes, .exclusive = true};

const Command kBare{.name = "watch-config", .summary = "changes"};

const std::string kStatsUsage =
    "usage: wirelark-cli stats [--history FILE] [--period SECONDS]... [--interval S] [--json]\n";
const std::string kSettingsUsage =
    "usage: wirelark-cli settings [--json | --export | --import FILE]\n";

// "given: --history=b --period=60,3600" for what was parsed, or the error's message.
std::string outcome(const Command& command, const std::vector<std::string_view>& arguments) {
    const ParseResult result = parseCommandLine(command, arguments);
    if (const auto* error = std::get_if<CommandLineError>(&result)) {
        return error->message;
    }
    const auto& parsed = std::get<ParsedCommandLine>(result);
    std::string text = "given:";
    for (const Option& option : command.options) {
        if (!parsed.has(option.name)) {
            continue;
        }
        text += " " + std::string(option.name);
        if (option.repeatable) {
            const auto values = parsed.values(option.name);
            for (size_t i = 0; i < values.size(); ++i) {
                text += (i == 0 ? "=" : ",") + values[i];
            }
        } else if (option.takesValue()) {
            text += "=" + parsed.value(option.name).value_or("(none)");
        }
    }
    return text;
}

struct Case {
    const char* title;
    const Command* command;
    std::vector<std::string_view> arguments;
    std::string expected;
};

const Case kCases[] = {
    {"nothing", &kStats, {}, "given:"},
    {"a flag", &kStats, {"--json"}, "given: --json"},
    {"a value", &kStats, {"--history", "h.plist"}, "given: --history=h.plist"},
    {"a value that looks like an option",
     &kStats,
     {"--history", "--json"},
     "given: --history=--json"},
    {"a repeated option keeps its last value",
     &kStats,
     {"--history", "a", "--json", "--history", "b", "--json"},
     "given: --history=b --json"},
    {"a repeatable option keeps every value in order",
     &kStats,
     {"--period", "3600", "--json", "--period", "60"},
     "given: --period=3600,60 --json"},
    {"fractional seconds", &kStats, {"--interval", "0.5"}, "given: --interval=0.5"},
    {"a missing value",
     &kStats,
     {"--json", "--history"},
     "wirelark-cli: --history needs a value\n" + kStatsUsage},
    {"an unknown option",
     &kStats,
     {"--verbose"},
     "wirelark-cli: unknown option '--verbose'\n" + kStatsUsage},
    {"a stray argument",
     &kStats,
     {"extra"},
     "wirelark-cli: unknown option 'extra'\n" + kStatsUsage},
    {"a period that is not whole",
     &kStats,
     {"--period", "1.5"},
     "wirelark-cli: --period takes a whole number of seconds above 0, not '1.5'\n"},
    {"a period of zero",
     &kStats,
     {"--period", "0"},
     "wirelark-cli: --period takes a whole number of seconds above 0, not '0'\n"},
    {"a negative period",
     &kStats,
     {"--period", "-5"},
     "wirelark-cli: --period takes a whole number of seconds above 0, not '-5'\n"},
    {"endless seconds",
     &kStats,
     {"--interval", "inf"},
     "wirelark-cli: --interval takes seconds above 0, not 'inf'\n"},
    {"the first mistake is the one reported",
     &kStats,
     {"--period", "0", "--verbose"},
     "wirelark-cli: --period takes a whole number of seconds above 0, not '0'\n"},
    {"a command that names itself",
     &kList,
     {"--xml"},
     "wirelark-cli list: unknown option '--xml'\nusage: wirelark-cli list [--json]\n"},
    {"an unexpected argument",
     &kLookup,
     {"--colour"},
     "wirelark-cli public-ip: unexpected argument '--colour'\n"
     "usage: wirelark-cli public-ip [--url URL] [--json]\n"},
    {"a missing value is an unexpected argument too",
     &kLookup,
     {"--json", "--url"},
     "wirelark-cli public-ip: unexpected argument '--url'\n"
     "usage: wirelark-cli public-ip [--url URL] [--json]\n"},
    {"one of exclusive options", &kSettings, {"--import", "--json"}, "given: --import=--json"},
    {"two exclusive options", &kSettings, {"--json", "--export"}, kSettingsUsage},
    {"an exclusive option twice", &kSettings, {"--json", "--json"}, kSettingsUsage},
    {"a missing value with the usage alone", &kSettings, {"--import"}, kSettingsUsage},
    {"an unknown option with the usage alone", &kSettings, {"--bogus"}, kSettingsUsage},
    {"two exclusive options, explained",
     &kOneMode,
     {"--export", "--import", "x"},
     "wirelark-cli: --import cannot be given with --export\n"
     "usage: wirelark-cli mode [--json | --export | --import FILE]\n"},
    {"a command without options", &kBare, {}, "given:"},
    {"an option to a command without options",
     &kBare,
     {"--json"},
     "wirelark-cli: unknown option '--json'\nusage: wirelark-cli watch-config\n"},
};

} // namespace

TEST(CommandLine, ParsesEachCaseOrSaysWhatIsWrong) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.title);
        EXPECT_EQ(outcome(*c.command, c.arguments), c.expected);
    }
}

TEST(CommandLine, OverviewListsEveryUsageBesideItsSummary) {
    const Command* commands[] = {&kList, &kSettings, &kStats};
    EXPECT_EQ(overview(commands),
              "usage: wirelark-cli <command> [options]\n"
              "\n"
              "commands:\n"
              "  list [--json]                                        interfaces\n"
              "  settings [--json | --export | --import FILE]         settings\n"
              "  stats [--history FILE] [--period SECONDS]... [--interval S] [--json] sums\n");
}
