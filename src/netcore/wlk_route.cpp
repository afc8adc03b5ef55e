#include "netcore/wlk_route.h"

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
    // Attributes are 4-byte aligned at most: copy every value out before reading it.
    size_t offset = NLMSG_HDRLEN + NLMSG_ALIGN(sizeof(rtmsg));
    while (offset + NLA_HDRLEN <= header.nlmsg_len) {
        nlattr attribute;
        std::memcpy(&attribute, bytes + offset, sizeof attribute);
        if (attribute.nla_len < NLA_HDRLEN || attribute.nla_len > header.nlmsg_len - offset) {
            break;
        }
        const size_t size = attribute.nla_len - NLA_HDRLEN;
        const uint16_t type = attribute.nla_type & NLA_TYPE_MASK;
        if (size >= sizeof(uint32_t) && (type == RTA_OIF || type == RTA_TABLE)) {
            uint32_t value;
            std::memcpy(&value, bytes + offset + NLA_HDRLEN, sizeof value);
            if (type == RTA_OIF) {
                route.oif = value;
                route.has_oif = 1;
            } else {
                route.table = value;
            }
        }
        offset += NLA_ALIGN(attribute.nla_len);
    }
    *out = route;
    return 1;
}
