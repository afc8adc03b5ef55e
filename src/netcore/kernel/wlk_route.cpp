#include "netcore/kernel/wlk_route.h"

#include "netcore/kernel/netlink_attributes.h"

#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>

#include <cstring>

extern "C" int wlk_decode_route(const void* message, size_t length, wlk_route* out) {
    if (message == nullptr || out == nullptr || length < NLMSG_HDRLEN + sizeof(rtmsg)) {
        return 0;
    }
    nlmsghdr header;
    std::memcpy(&header, message, sizeof header);
    if ((header.nlmsg_type != RTM_NEWROUTE && header.nlmsg_type != RTM_DELROUTE) ||
        header.nlmsg_len < NLMSG_HDRLEN + sizeof(rtmsg) || header.nlmsg_len > length) {
        return 0;
    }
    const auto* bytes = static_cast<const uint8_t*>(message);
    rtmsg info;
    std::memcpy(&info, bytes + NLMSG_HDRLEN, sizeof info);
    if (info.rtm_family != AF_INET && info.rtm_family != AF_INET6) {
        return 0;
    }
    wlk_route route{};
    route.family = info.rtm_family;
    route.dst_len = info.rtm_dst_len;
    route.type = info.rtm_type;
    route.table = info.rtm_table;
    route.flags = info.rtm_flags;
    const size_t attributes = NLMSG_HDRLEN + NLMSG_ALIGN(sizeof(rtmsg));
    if (attributes < header.nlmsg_len) {
        const std::span<const uint8_t> body(bytes + attributes, header.nlmsg_len - attributes);
        wirelark::NetlinkAttributes(body).forEach(
            [&](uint16_t type, std::span<const uint8_t> value) {
                if (type == RTA_OIF && wirelark::readNetlinkValue(value, route.oif)) {
                    route.has_oif = 1;
                } else if (type == RTA_TABLE) {
                    wirelark::readNetlinkValue(value, route.table);
                }
            });
    }
    *out = route;
    return 1;
}
