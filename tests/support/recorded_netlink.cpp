#include "recorded_netlink.h"

#include <cstring>
#include <fstream>
#include <iterator>

namespace wirelark::testing {

std::vector<std::vector<uint8_t>> recordedDatagrams(const std::string& fixtureName) {
    std::ifstream in(std::string(WIRELARK_SOURCE_DIR) + "/tests/netcore/kernel/fixtures/" +
                         fixtureName,
                     std::ios::binary);
    const std::vector<uint8_t> all{std::istreambuf_iterator<char>(in), {}};
    std::vector<std::vector<uint8_t>> datagrams;
    for (size_t offset = 0; offset + 4 <= all.size();) {
        uint32_t length;
        std::memcpy(&length, all.data() + offset, 4);
        datagrams.emplace_back(all.begin() + offset + 4, all.begin() + offset + 4 + length);
        offset += 4 + length;
    }
    return datagrams;
}

} // namespace wirelark::testing
