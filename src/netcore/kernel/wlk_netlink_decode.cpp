#include "netcore/kernel/wlk_kernel.h"

#include "netcore/kernel/netlink_attributes.h"

#include <linux/if.h>
#include <linux/if_addr.h>
#include <linux/if_arp.h>
#include <linux/if_link.h>
#include <linux/ipv6.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstring>
#include <span>

namespace {

using wirelark::NetlinkAttributes;
using wirelark::readNetlinkValue;

void copyName(std::span<const uint8_t> payload, char* out, size_t size) {
    const size_t n =
        std::min(strnlen(reinterpret_cast<const char*>(payload.data()), payload.size()), size - 1);
    std::memcpy(out, payload.data(), n);
    out[n] = '\0';
}

// Message body after the netlink header and the family header, or empty when too short.
// `type` is the RTM_NEW* type; its RTM_DEL* twin, which has the same layout, is accepted too.
std::span<const uint8_t> body(const void* message, size_t length, uint16_t type,
                              size_t familySize) {
    if (message == nullptr || length < NLMSG_HDRLEN + familySize) {
        return {};
    }
    nlmsghdr header;
    std::memcpy(&header, message, sizeof header);
    if ((header.nlmsg_type != type && header.nlmsg_type != type + 1) ||
        header.nlmsg_len < NLMSG_HDRLEN + familySize || header.nlmsg_len > length) {
        return {};
    }
    return {static_cast<const uint8_t*>(message), header.nlmsg_len};
}

wlk_counters decodeStats64(std::span<const uint8_t> payload) {
    // 192 bytes before Linux 5.19, 200 after: take what is there, zero the rest.
    rtnl_link_stats64 stats{};
    std::memcpy(&stats, payload.data(), std::min(payload.size(), sizeof stats));
    return {stats.rx_bytes,   stats.tx_bytes,
            stats.rx_packets, stats.tx_packets,
            stats.rx_errors,  stats.tx_errors,
            stats.multicast,  0,
            stats.collisions, stats.rx_dropped + stats.rx_missed_errors};
}

void decodeInet6Conf(std::span<const uint8_t> conf, wlk_link& link) {
    auto entry = [&](int index, int32_t& out) {
        const size_t offset = static_cast<size_t>(index) * sizeof(int32_t);
        if (offset + sizeof(int32_t) <= conf.size()) {
            std::memcpy(&out, conf.data() + offset, sizeof out);
            return true;
        }
        return false;
    };
    int32_t acceptRa = 0, disable = 0, acceptDad = 0;
    if (entry(DEVCONF_ACCEPT_RA, acceptRa)) {
        entry(DEVCONF_DISABLE_IPV6, disable);
        entry(DEVCONF_ACCEPT_DAD, acceptDad);
        link.has_inet6_conf = 1;
        link.accept_ra = acceptRa;
        link.disable_ipv6 = disable;
        link.accept_dad = acceptDad;
    }
}

void decodeAfSpec(std::span<const uint8_t> payload, wlk_link& link) {
    NetlinkAttributes(payload).forEach([&](uint16_t family, std::span<const uint8_t> perFamily) {
        if (family != AF_INET6) {
            return;
        }
        NetlinkAttributes(perFamily).forEach([&](uint16_t type, std::span<const uint8_t> value) {
            if (type == IFLA_INET6_CONF) {
                decodeInet6Conf(value, link);
            }
        });
    });
}

void decodeLinkInfo(std::span<const uint8_t> payload, wlk_link& link) {
    NetlinkAttributes(payload).forEach([&](uint16_t type, std::span<const uint8_t> value) {
        if (type == IFLA_INFO_KIND) {
            copyName(value, link.kind, sizeof link.kind);
        }
    });
}

} // namespace

extern "C" {

int wlk_decode_link(const void* message, size_t length, struct wlk_link* out) {
    const auto bytes = body(message, length, RTM_NEWLINK, sizeof(ifinfomsg));
    if (bytes.empty() || out == nullptr) {
        return 0;
    }
    ifinfomsg info;
    std::memcpy(&info, bytes.data() + NLMSG_HDRLEN, sizeof info);
    wlk_link link{};
    link.index = static_cast<uint32_t>(info.ifi_index);
    link.flags = info.ifi_flags;
    link.hw_type = info.ifi_type;
    const size_t attributes = NLMSG_HDRLEN + NLMSG_ALIGN(sizeof(ifinfomsg));
    if (attributes < bytes.size()) {
        NetlinkAttributes(bytes.subspan(attributes))
            .forEach([&](uint16_t type, std::span<const uint8_t> value) {
                switch (type) {
                case IFLA_IFNAME:
                    copyName(value, link.name, sizeof link.name);
                    break;
                case IFLA_MTU:
                    readNetlinkValue(value, link.mtu);
                    break;
                case IFLA_MAX_MTU:
                    readNetlinkValue(value, link.max_mtu);
                    break;
                case IFLA_ADDRESS:
                    if (!value.empty() && value.size() <= sizeof link.address &&
                        std::any_of(value.begin(), value.end(), [](uint8_t b) { return b != 0; })) {
                        std::memcpy(link.address, value.data(), value.size());
                        link.address_len = static_cast<uint8_t>(value.size());
                    }
                    break;
                case IFLA_STATS64:
                    link.has_stats = 1;
                    link.stats = decodeStats64(value);
                    break;
                case IFLA_AF_SPEC:
                    decodeAfSpec(value, link);
                    break;
                case IFLA_LINKINFO:
                    decodeLinkInfo(value, link);
                    break;
                default:
                    break;
                }
            });
    }
    if (link.name[0] == '\0') {
        return 0;
    }
    *out = link;
    return 1;
}

int wlk_decode_addr(const void* message, size_t length, struct wlk_addr* out) {
    const auto bytes = body(message, length, RTM_NEWADDR, sizeof(ifaddrmsg));
    if (bytes.empty() || out == nullptr) {
        return 0;
    }
    ifaddrmsg info;
    std::memcpy(&info, bytes.data() + NLMSG_HDRLEN, sizeof info);
    if (info.ifa_family != AF_INET && info.ifa_family != AF_INET6) {
        return 0;
    }
    const size_t addressSize = info.ifa_family == AF_INET ? 4 : 16;
    wlk_addr addr{};
    addr.family = info.ifa_family;
    addr.prefix_len = info.ifa_prefixlen;
    addr.scope = info.ifa_scope;
    addr.index = info.ifa_index;
    addr.flags = info.ifa_flags;
    auto copyAddress = [&](std::span<const uint8_t> value, uint8_t* target, size_t size,
                           uint8_t& present) {
        if (value.size() >= size) {
            std::memcpy(target, value.data(), size);
            present = 1;
        }
    };
    const size_t attributes = NLMSG_HDRLEN + NLMSG_ALIGN(sizeof(ifaddrmsg));
    if (attributes < bytes.size()) {
        NetlinkAttributes(bytes.subspan(attributes))
            .forEach([&](uint16_t type, std::span<const uint8_t> value) {
                switch (type) {
                case IFA_LOCAL:
                    copyAddress(value, addr.local, addressSize, addr.has_local);
                    break;
                case IFA_ADDRESS:
                    copyAddress(value, addr.address, addressSize, addr.has_address);
                    break;
                case IFA_BROADCAST:
                    if (addr.family == AF_INET) {
                        copyAddress(value, addr.broadcast, 4, addr.has_broadcast);
                    }
                    break;
                case IFA_FLAGS:
                    readNetlinkValue(value, addr.flags);
                    break;
                case IFA_PROTO:
                    if (readNetlinkValue(value, addr.proto)) {
                        addr.has_proto = 1;
                    }
                    break;
                default:
                    break;
                }
            });
    }
    if (!addr.has_local && !addr.has_address) {
        return 0;
    }
    *out = addr;
    return 1;
}

int wlk_decode_stats(const void* message, size_t length, uint32_t* index,
                     struct wlk_counters* out) {
    const auto bytes = body(message, length, RTM_NEWSTATS, sizeof(if_stats_msg));
    if (bytes.empty() || index == nullptr || out == nullptr) {
        return 0;
    }
    nlmsghdr header;
    std::memcpy(&header, bytes.data(), sizeof header);
    if (header.nlmsg_type != RTM_NEWSTATS) {
        return 0; // body() also lets through the type after it, which stats do not have
    }
    if_stats_msg info;
    std::memcpy(&info, bytes.data() + NLMSG_HDRLEN, sizeof info);
    bool found = false;
    wlk_counters counters{};
    const size_t attributes = NLMSG_HDRLEN + NLMSG_ALIGN(sizeof(if_stats_msg));
    if (attributes < bytes.size()) {
        NetlinkAttributes(bytes.subspan(attributes))
            .forEach([&](uint16_t type, std::span<const uint8_t> value) {
                if (type == IFLA_STATS_LINK_64) {
                    counters = decodeStats64(value);
                    found = true;
                }
            });
    }
    if (!found) {
        return 0;
    }
    *index = info.ifindex;
    *out = counters;
    return 1;
}

uint8_t wlk_if_type(uint16_t hw_type, const char* kind) {
    if (kind != nullptr && std::strcmp(kind, "bridge") == 0) {
        return 209;
    }
    switch (hw_type) {
    case ARPHRD_ETHER:
        return 6;
    case ARPHRD_LOOPBACK:
        return 24;
    case ARPHRD_PPP:
        return 23;
    case ARPHRD_TUNNEL:
    case ARPHRD_TUNNEL6:
    case ARPHRD_IPGRE:
        return 55;
    case ARPHRD_SIT:
        return 57;
    case ARPHRD_RAWIP:
        return 255;
    case ARPHRD_IEEE80211:
    case ARPHRD_IEEE80211_PRISM:
    case ARPHRD_IEEE80211_RADIOTAP:
        return 71;
    default:
        return 1;
    }
}

int wlk_get_nd6_flags(const struct wlk_link* link, uint32_t* out) {
    if (link == nullptr || !link->has_inet6_conf) {
        return 0;
    }
    uint32_t flags = 0;
    if (!(link->flags & IFF_NOARP)) {
        flags |= 1u << 0; // PERFORMNUD
    }
    if (link->accept_ra > 0) {
        flags |= 1u << 1; // ACCEPT_RTADV
    }
    if (link->disable_ipv6 != 0) {
        flags |= 1u << 3; // IFDISABLED
    }
    if (link->accept_dad > 0) {
        flags |= 1u << 9; // DAD
    }
    *out = flags;
    return 1;
}

uint32_t wlk_in6_addr_flags(const struct wlk_addr* address) {
    constexpr uint32_t tentative = 0x2, duplicated = 0x4, deprecated = 0x10, autoconf = 0x40,
                       temporary = 0x80, dynamic = 0x100, optimistic = 0x200, secured = 0x400;
    const uint32_t k = address->flags;
    uint32_t flags = 0;
    if (k & IFA_F_TENTATIVE) {
        flags |= tentative;
    }
    if (k & IFA_F_OPTIMISTIC) {
        flags |= optimistic;
    }
    if (k & IFA_F_DADFAILED) {
        flags |= duplicated;
    }
    if (k & IFA_F_DEPRECATED) {
        flags |= deprecated;
    }
    if (k & IFA_F_TEMPORARY) {
        flags |= temporary;
    }
    if (k & IFA_F_STABLE_PRIVACY) {
        flags |= secured;
    }
    const bool permanent = k & IFA_F_PERMANENT;
    // Kernels that tag addresses with their origin say directly which came from a router
    // advertisement; older ones leave only "not permanent, not temporary" to go by.
    const bool fromRouter = address->has_proto ? address->proto == IFAPROT_KERNEL_RA
                                               : !permanent && !(k & IFA_F_TEMPORARY);
    if (fromRouter) {
        flags |= autoconf;
    } else if (!permanent) {
        flags |= dynamic;
    }
    return flags;
}

} // extern "C"
