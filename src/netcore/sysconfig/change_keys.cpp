#include "netcore/sysconfig/change_keys.h"

#include "netcore/kernel/wlk_kernel.h"
#include "netcore/kernel/wlk_route.h"

#include <linux/if.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstring>
#include <utility>

namespace wirelark {

namespace {

constexpr const char* kGlobalIPv4 = "State:/Network/Global/IPv4";
constexpr const char* kGlobalIPv6 = "State:/Network/Global/IPv6";
// The flags whose change moves routes: administratively up, operationally up, carrier.
constexpr uint32_t kRoutingFlags = IFF_UP | IFF_RUNNING | IFF_LOWER_UP;

std::string interfaceKey(const std::string& name, const char* entity) {
    return std::string(ChangeKeyMapper::kInterfaceList) + "/" + name + "/" + entity;
}

void addGlobalKeys(ChangedKeys& keys) {
    keys.add(kGlobalIPv4);
    keys.add(kGlobalIPv6);
}

} // namespace

void ChangedKeys::add(std::string key) {
    if (std::find(keys_.begin(), keys_.end(), key) == keys_.end()) {
        keys_.push_back(std::move(key));
    }
}

std::vector<std::string> ChangedKeys::take() {
    return std::exchange(keys_, {});
}

void ChangeKeyMapper::reset(const std::vector<LinkFacts>& links) {
    links_.clear();
    for (const auto& link : links) {
        links_[link.index] = {link.name, link.flags};
    }
}

void ChangeKeyMapper::map(std::span<const uint8_t> message, ChangedKeys& keys) {
    if (message.size() < NLMSG_HDRLEN) {
        return;
    }
    nlmsghdr header;
    std::memcpy(&header, message.data(), sizeof header);
    switch (header.nlmsg_type) {
    case RTM_NEWLINK:
    case RTM_DELLINK: {
        const auto link = linkFactsFrom(message);
        if (!link || link->name.empty()) {
            return;
        }
        const auto known = links_.find(link->index);
        if (header.nlmsg_type == RTM_DELLINK) {
            keys.add(kInterfaceList);
            keys.add(interfaceKey(link->name, "Link"));
            addGlobalKeys(keys);
            links_.erase(link->index);
            return;
        }
        const bool isNew = known == links_.end() || known->second.name != link->name;
        if (isNew) {
            keys.add(kInterfaceList);
        }
        keys.add(interfaceKey(link->name, "Link"));
        if (!isNew && ((known->second.flags ^ link->flags) & kRoutingFlags) != 0) {
            addGlobalKeys(keys);
        }
        links_[link->index] = {link->name, link->flags};
        return;
    }
    case RTM_NEWADDR:
    case RTM_DELADDR: {
        wlk_addr address;
        if (!wlk_decode_addr(message.data(), message.size(), &address)) {
            return;
        }
        const auto known = links_.find(address.index);
        if (known == links_.end()) {
            // An address of a link not seen yet: its link message is on the way or was lost.
            keys.add(kInterfaceList);
            return;
        }
        keys.add(interfaceKey(known->second.name, address.family == AF_INET ? "IPv4" : "IPv6"));
        return;
    }
    case RTM_NEWROUTE:
    case RTM_DELROUTE: {
        wlk_route route;
        // Local-table routes follow addresses, which have keys of their own; cloned routes are
        // the kernel's cache.
        if (!wlk_decode_route(message.data(), message.size(), &route) ||
            route.table == RT_TABLE_LOCAL || (route.flags & RTM_F_CLONED) != 0) {
            return;
        }
        keys.add(route.family == AF_INET ? kGlobalIPv4 : kGlobalIPv6);
        return;
    }
    default:
        return;
    }
}

} // namespace wirelark
