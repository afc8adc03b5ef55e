#pragma once

#include "netcore/kernel/netlink_socket.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace wirelark {

// The RTM_GETROUTE request that asks which route a packet to a global documentation address
// (198.51.100.1 or 2001:db8::1) of `family` would take. Nothing is sent to that address.
std::vector<uint8_t> primaryRouteRequest(int family);

// The output interface index of the route the kernel picks for the family's global traffic,
// following policy routing. Absent when there is no route (ENETUNREACH) or the route is not
// unicast (unreachable, blackhole, prohibit); an error when the kernel does not answer.
Expected<std::optional<uint32_t>, std::error_code> primaryInterfaceIndex(NetlinkSocket& socket,
                                                                         int family);

} // namespace wirelark
