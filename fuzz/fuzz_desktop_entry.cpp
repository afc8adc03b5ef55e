#include "app/settings/desktop_entry_text.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

// Any bytes in the user's autostart entry are read without a fault.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    wirelark::isHiddenDesktopEntry(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
