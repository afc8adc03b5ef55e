#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace wirelark::testing {

// The datagrams of a dump recorded under tests/netcore/kernel/fixtures/ by
// record_netlink_dump.py: each stored as a 4-byte little-endian length and its bytes.
std::vector<std::vector<uint8_t>> recordedDatagrams(const std::string& fixtureName);

} // namespace wirelark::testing
