// Feeds arbitrary bytes to the change watcher's notification mapping as one datagram.
#include "netcore/kernel/netlink_reply.h"
#include "netcore/sysconfig/change_keys.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    wirelark::ChangeKeyMapper mapper;
    mapper.reset({{"eth0", 2, 1, "", 0}, {"wlan0", 3, 1, "", 0x10043}});
    wirelark::ChangedKeys keys;
    wirelark::forEachNetlinkMessage(
        std::span<const uint8_t>(data, size),
        [&](std::span<const uint8_t> message) { mapper.map(message, keys); });
    keys.take();
    return 0;
}
