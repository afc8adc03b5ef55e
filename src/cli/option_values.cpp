#include "cli/option_values.h"

#include <charconv>
#include <cmath>

namespace wirelark::cli {

namespace {

// The whole text is the number, with nothing before or after it.
template <typename Number>
std::optional<Number> parseNumber(std::string_view text) {
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

bool isWholeNumber(std::string_view text) {
    return parseWholeNumber(text).has_value();
}

bool isSeconds(std::string_view text) {
    return parseSeconds(text).has_value();
}

} // namespace

std::optional<uint64_t> parseWholeNumber(std::string_view text) {
    const auto value = parseNumber<uint64_t>(text);
    return value && *value > 0 ? value : std::nullopt;
}

std::optional<double> parseSeconds(std::string_view text) {
    const auto value = parseNumber<double>(text);
    return value && *value > 0 && std::isfinite(*value) ? value : std::nullopt;
}

std::vector<uint64_t> givenPeriods(const ParsedCommandLine& given) {
    std::vector<uint64_t> periods;
    for (const auto& period : given.values("--period")) {
        // The table has checked every value already.
        periods.push_back(parseWholeNumber(period).value());
    }
    return periods;
}

const ValueRule kWholeSeconds{"a whole number of seconds above 0", isWholeNumber};
const ValueRule kWholeNumber{"a whole number above 0", isWholeNumber};
const ValueRule kSeconds{"seconds above 0", isSeconds};

} // namespace wirelark::cli
