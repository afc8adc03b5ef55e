#include "cli/stats_output.h"

#include "netcore/history/rate_format.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace wirelark::cli {

std::optional<uint64_t> parsePeriod(std::string_view text) {
    uint64_t seconds = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (error != std::errc{} || end != text.data() + text.size() || seconds == 0) {
        return std::nullopt;
    }
    return seconds;
}

std::optional<uint64_t> parsePeriodOption(const char* text) {
    const auto period = parsePeriod(text);
    if (!period) {
        std::fprintf(stderr,
                     "wirelark-cli: --period takes a whole number of seconds above 0, not '%s'\n",
                     text);
    }
    return period;
}

namespace {

nlohmann::ordered_json minimumJson(double minimum) {
    return std::isinf(minimum) ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(minimum);
}

} // namespace

nlohmann::ordered_json aggregateJson(const RateAggregate& aggregate) {
    return {
        {"seconds", aggregate.seconds},
        {"bytesIn", aggregate.bytesIn},
        {"bytesOut", aggregate.bytesOut},
        {"minIn", minimumJson(aggregate.minIn)},
        {"maxIn", aggregate.maxIn},
        {"minOut", minimumJson(aggregate.minOut)},
        {"maxOut", aggregate.maxOut},
        {"averageIn", aggregate.averageIn()},
        {"averageOut", aggregate.averageOut()},
    };
}

std::string aggregateLine(double period, const RateAggregate& total, bool useBits) {
    const std::string label = periodLabel(period);
    char line[512];
    if (total.isEmpty()) {
        std::snprintf(line, sizeof line, "  %-5s \u2014", label.c_str());
        return line;
    }
    std::snprintf(line, sizeof line,
                  "  %-5s measured %.0f s, %llu bytes in, %llu bytes out; average \u2193 %s "
                  "\u2191 %s; min\u2013max \u2193 %s\u2013%s \u2191 %s\u2013%s",
                  label.c_str(), total.seconds, static_cast<unsigned long long>(total.bytesIn),
                  static_cast<unsigned long long>(total.bytesOut),
                  rateText(total.averageIn(), useBits).c_str(),
                  rateText(total.averageOut(), useBits).c_str(),
                  rateText(total.minIn, useBits).c_str(), rateText(total.maxIn, useBits).c_str(),
                  rateText(total.minOut, useBits).c_str(), rateText(total.maxOut, useBits).c_str());
    return line;
}

} // namespace wirelark::cli
