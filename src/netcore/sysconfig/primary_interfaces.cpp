#include "netcore/sysconfig/primary_interfaces.h"

#include "netcore/kernel/wlk_route.h"

#include <arpa/inet.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>

#include <cstring>

namespace wirelark {

std::vector<uint8_t> primaryRouteRequest(int family) {
    uint8_t address[16] = {};
    const size_t size = family == AF_INET6 ? 16 : 4;
    inet_pton(family == AF_INET6 ? AF_INET6 : AF_INET,
              family == AF_INET6 ? "2001:db8::1" : "198.51.100.1", address);
    const size_t attributeLength = NLA_HDRLEN + size;
    std::vector<uint8_t> request(NLMSG_HDRLEN + NLMSG_ALIGN(sizeof(rtmsg)) +
                                 NLA_ALIGN(attributeLength));
    nlmsghdr header{};
    header.nlmsg_len = static_cast<uint32_t>(request.size());
    header.nlmsg_type = RTM_GETROUTE;
    header.nlmsg_flags = NLM_F_REQUEST;
    rtmsg info{};
    info.rtm_family = static_cast<unsigned char>(family == AF_INET6 ? AF_INET6 : AF_INET);
    info.rtm_dst_len = static_cast<unsigned char>(size * 8);
    nlattr attribute{static_cast<uint16_t>(attributeLength), RTA_DST};
    uint8_t* out = request.data();
    std::memcpy(out, &header, sizeof header);
    out += NLMSG_HDRLEN;
    std::memcpy(out, &info, sizeof info);
    out += NLMSG_ALIGN(sizeof(rtmsg));
    std::memcpy(out, &attribute, sizeof attribute);
    std::memcpy(out + NLA_HDRLEN, address, size);
    return request;
}

Expected<std::optional<uint32_t>, std::error_code> primaryInterfaceIndex(NetlinkSocket& socket,
                                                                         int family) {
    std::optional<uint32_t> index;
    const std::error_code error =
        socket.transact(primaryRouteRequest(family), [&](std::span<const uint8_t> message) {
            wlk_route route;
            if (wlk_decode_route(message.data(), message.size(), &route) &&
                route.type == RTN_UNICAST && route.has_oif) {
                index = route.oif;
            }
        });
    if (error == std::errc::network_unreachable) {
        return std::optional<uint32_t>(); // no route: no primary interface, and no failure
    }
    if (error) {
        return Unexpected(error);
    }
    return index;
}

} // namespace wirelark
