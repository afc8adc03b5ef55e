#pragma once

#include "netcore/history/rate_history.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace wirelark::cli {

// A period given on the command line: whole seconds above zero.
std::optional<uint64_t> parsePeriod(std::string_view text);
// The same for the value of --period; says what is wrong on standard error when it is not one.
std::optional<uint64_t> parsePeriodOption(const char* text);

// The aggregate's fields plus its averages; minimums of an empty aggregate as null.
nlohmann::ordered_json aggregateJson(const RateAggregate& aggregate);

// "  1h    measured 3600 s, ... ; average ↓ 1.2 MB/s ↑ ...; min–max ↓ ...", or "—" when empty.
std::string aggregateLine(double period, const RateAggregate& aggregate, bool useBits);

} // namespace wirelark::cli
