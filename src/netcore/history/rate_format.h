#pragma once

#include <string>

namespace wirelark {

// A rate in bytes per second as "1.5 KB/s", or in bits as "12 Mb/s": steps of 1000, one
// decimal below 10.
std::string rateText(double bytesPerSecond, bool useBits);

// A rate for a tray icon's few pixels: three significant characters and a one-letter unit,
// "1.2M", "340K", "999B" (bytes) or "999b" (bits); the letters K, M, G, T step by 1000.
std::string compactRateText(double bytesPerSecond, bool useBits);

// A period as its largest whole unit: "90d", "36h", "90m", else whole seconds "45s".
std::string periodLabel(double seconds);

} // namespace wirelark
