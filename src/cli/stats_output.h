#pragma once

#include "netcore/history/rate_history.h"

#include <string>

#include <nlohmann/json.hpp>

namespace wirelark::cli {

// The aggregate's fields plus its averages; minimums of an empty aggregate as null.
nlohmann::ordered_json aggregateJson(const RateAggregate& aggregate);

// "  1h    measured 3600 s, ... ; average ↓ 1.2 MB/s ↑ ...; min–max ↓ ...", or "—" when empty.
std::string aggregateLine(double period, const RateAggregate& aggregate, bool useBits);

} // namespace wirelark::cli
