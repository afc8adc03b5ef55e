#pragma once

#include "netcore/kernel/netlink_socket.h"
#include "netcore/kernel/wlk_kernel.h"

#include <cstdint>
#include <functional>
#include <system_error>

namespace wirelark {

// Reads the 64-bit counters of every link with one RTM_GETSTATS dump, much smaller than the
// full link dump: each link's index and counters go to `onLink`. An interrupted dump is read
// again from the start after `onRestart`, as every dump is.
[[nodiscard]] std::error_code
dumpLinkCounters(NetlinkSocket& netlink,
                 const std::function<void(uint32_t index, const wlk_counters&)>& onLink,
                 const std::function<void()>& onRestart);

} // namespace wirelark
