// Feeds arbitrary bytes to the rtnetlink reply decoders (links, addresses, counters) as one
// datagram of a dump.
#include "netcore/interfaces/snapshot_assembly.h"
#include "netcore/kernel/netlink_reply.h"
#include "netcore/kernel/wlk_kernel.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<wlk_link> links;
    std::vector<wlk_addr> addresses;
    const std::span<const uint8_t> datagram(data, size);
    // Sequence 0 is what the fuzzer's own headers most often carry.
    wirelark::readNetlinkReply(datagram, 0, [&](std::span<const uint8_t> message) {
        wlk_link link;
        wlk_addr address;
        uint32_t index;
        wlk_counters counters;
        wlk_decode_stats(message.data(), message.size(), &index, &counters);
        if (wlk_decode_link(message.data(), message.size(), &link)) {
            links.push_back(link);
        }
        if (wlk_decode_addr(message.data(), message.size(), &address)) {
            addresses.push_back(address);
        }
    });
    wirelark::assembleSnapshots(links, addresses,
                                [](const wlk_link&) { return wirelark::LinkExtras{}; });
    return 0;
}
