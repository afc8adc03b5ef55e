#include "netcore/history/rate_format.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace wirelark {

namespace {

constexpr std::array<const char*, 5> kByteUnits{"B/s", "KB/s", "MB/s", "GB/s", "TB/s"};
constexpr std::array<const char*, 5> kBitUnits{"b/s", "Kb/s", "Mb/s", "Gb/s", "Tb/s"};

std::string formatted(const char* format, double value, const char* unit) {
    char text[400]; // room for the widest double printed with "%.0f"
    std::snprintf(text, sizeof text, format, value, unit);
    return text;
}

bool isWholeMultiple(double seconds, double unit) {
    return seconds >= unit && std::fmod(seconds, unit) == 0;
}

} // namespace

std::string rateText(double bytesPerSecond, bool useBits) {
    const auto& units = useBits ? kBitUnits : kByteUnits;
    double value = useBits ? bytesPerSecond * 8 : bytesPerSecond;
    if (value < 1000) {
        // std::round rounds halves away from zero, so 999.5 prints as 1000.
        return formatted("%.0f %s", std::round(value), units[0]);
    }
    std::size_t step = 0;
    while (value >= 1000 && step + 1 < units.size()) {
        value /= 1000;
        ++step;
    }
    return formatted(value < 10 ? "%.1f %s" : "%.0f %s", value, units[step]);
}

std::string compactRateText(double bytesPerSecond, bool useBits) {
    constexpr std::array<const char*, 5> kPrefixes{"", "K", "M", "G", "T"};
    double value = std::max(0.0, useBits ? bytesPerSecond * 8 : bytesPerSecond);
    std::size_t step = 0;
    // Rounding may carry a value up to the next step: 999.6 is "1.0K", 9.96K is "10K".
    while (std::round(value) >= 1000 && step + 1 < kPrefixes.size()) {
        value /= 1000;
        ++step;
    }
    const char* unit = step == 0 ? (useBits ? "b" : "B") : kPrefixes[step];
    const bool decimal = step > 0 && std::round(value * 10) < 100;
    return formatted(decimal ? "%.1f%s" : "%.0f%s", value, unit);
}

std::string periodLabel(double seconds) {
    if (isWholeMultiple(seconds, 86400)) {
        return formatted("%.0f%s", seconds / 86400, "d");
    }
    if (isWholeMultiple(seconds, 3600)) {
        return formatted("%.0f%s", seconds / 3600, "h");
    }
    if (isWholeMultiple(seconds, 60)) {
        return formatted("%.0f%s", seconds / 60, "m");
    }
    return formatted("%.0f%s", std::trunc(seconds), "s");
}

} // namespace wirelark
