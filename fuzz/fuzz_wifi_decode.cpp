// Feeds arbitrary bytes to the nl80211 reply decoder. The input is a run of chunks: a byte that
// picks the reply, a 16-bit little-endian length, then that many bytes of message, whose own
// headers may say anything.
#include "netcore/wifi/nl80211_decode.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    wirelark::Nl80211Replies replies;
    std::vector<wirelark::NetlinkMessage>* lists[] = {&replies.interface, &replies.stations,
                                                      &replies.survey, &replies.scan};
    constexpr size_t kChunkHeader = 3;
    size_t offset = 0;
    while (size - offset >= kChunkHeader) {
        auto& list = *lists[data[offset] % 4];
        const size_t length = std::min<size_t>(data[offset + 1] | (data[offset + 2] << 8),
                                               size - offset - kChunkHeader);
        const uint8_t* start = data + offset + kChunkHeader;
        list.emplace_back(start, start + length);
        offset += kChunkHeader + length;
    }
    wirelark::decodeWiFiDetails(replies);
    return 0;
}
