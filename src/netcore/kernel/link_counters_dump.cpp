#include "netcore/kernel/link_counters_dump.h"

#include <linux/if_link.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>

#include <cstring>
#include <vector>

namespace wirelark {

std::error_code
dumpLinkCounters(NetlinkSocket& netlink,
                 const std::function<void(uint32_t index, const wlk_counters&)>& onLink,
                 const std::function<void()>& onRestart) {
    std::vector<uint8_t> request(NLMSG_SPACE(sizeof(if_stats_msg)), 0);
    nlmsghdr header{};
    header.nlmsg_type = RTM_GETSTATS;
    header.nlmsg_flags = NLM_F_DUMP;
    std::memcpy(request.data(), &header, sizeof header);
    if_stats_msg filter{};
    filter.family = AF_UNSPEC;
    filter.filter_mask = IFLA_STATS_FILTER_BIT(IFLA_STATS_LINK_64);
    std::memcpy(request.data() + NLMSG_HDRLEN, &filter, sizeof filter);
    return netlink.transact(
        std::move(request),
        [&](std::span<const uint8_t> message) {
            uint32_t index = 0;
            wlk_counters counters;
            if (wlk_decode_stats(message.data(), message.size(), &index, &counters)) {
                onLink(index, counters);
            }
        },
        onRestart);
}

} // namespace wirelark
