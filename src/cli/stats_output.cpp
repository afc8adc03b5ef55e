#include "cli/stats_output.h"

#include "netcore/history/rate_format.h"

#include <cmath>
#include <cstdio>

namespace wirelark::cli {

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
