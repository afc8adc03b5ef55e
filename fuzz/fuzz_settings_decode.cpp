// Feeds arbitrary bytes to the settings decoder as a stored settings value; whatever decodes must
// encode again.
#include "app/core/settings_data.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto settings =
        wirelark::decodeSettings(std::string_view(reinterpret_cast<const char*>(data), size));
    if (const auto encoded = wirelark::encodeSettings(settings)) {
        if (wirelark::decodeSettings(*encoded) != settings) {
            std::abort();
        }
    }
    return 0;
}
