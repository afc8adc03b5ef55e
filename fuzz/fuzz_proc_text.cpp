// Feeds arbitrary text to the parsers of /proc, sysfs, udev and desktop-entry files.
#include "netcore/kernel/wlk_tun_owners.h"
#include "netcore/sysconfig/desktop_entry.h"
#include "netcore/sysconfig/interface_metadata.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    char name[WLK_TUN_NAME_SIZE];
    wlk_parse_tun_fdinfo(text.data(), text.size(), name);
    wirelark::parseKeyValueLines(text, "E:");
    wirelark::parseKeyValueLines(text, "");
    const auto entry = wirelark::parseDesktopEntry(text);
    if (entry.exec) {
        wirelark::execProgram(*entry.exec);
    }
    wirelark::execProgram(text);
    return 0;
}
