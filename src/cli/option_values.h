#pragma once

#include "cli/command_line.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace wirelark::cli {

// The kinds of value the commands' options take, read the same way by every command.

// A whole number above zero: "3600", not "0", "-5", "1.5" or "1h".
std::optional<uint64_t> parseWholeNumber(std::string_view text);
// Seconds above zero, fractions allowed: "0.5".
std::optional<double> parseSeconds(std::string_view text);

extern const ValueRule kWholeSeconds; // a period
extern const ValueRule kWholeNumber;  // a count
extern const ValueRule kSeconds;      // an interval

// --period, shared by stats and watch, whose usages name its value differently.
constexpr Option periodOption(std::string_view valueName) {
    return {.name = "--period",
            .valueName = valueName,
            .repeatable = true,
            .rule = &kWholeSeconds,
            .help = "a period to sum over, instead of the tray app's"};
}
// The periods given with --period, in command-line order.
std::vector<uint64_t> givenPeriods(const ParsedCommandLine& given);

} // namespace wirelark::cli
