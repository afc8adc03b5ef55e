#include "netcore/sysconfig/change_keys.h"

#include "netcore/kernel/netlink_attributes.h"
#include "netcore/kernel/wlk_kernel.h"
#include "netcore/kernel/wlk_route.h"

#include <linux/if.h>
#include <linux/if_link.h>
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

// A Wi-Fi driver's event (a scan finished, for one): it changes nothing the link shows.
bool isWirelessEvent(std::span<const uint8_t> message) {
    const size_t attributes = NLMSG_HDRLEN + NLMSG_ALIGN(sizeof(ifinfomsg));
    bool wireless = false;
    if (attributes < message.size()) {
        NetlinkAttributes(message.subspan(attributes))
            .forEach([&](uint16_t type, std::span<const uint8_t>) {
                wireless = wireless || type == IFLA_WIRELESS;
            });
    }
    return wireless;
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
        links_[link.index] = link;
    }
    // Address messages may have been lost as well: each one counts as new again.
    addresses_.clear();
}

void ChangeKeyMapper::map(std::span<const uint8_t> message, ChangedKeys& keys) {
    if (message.size() < NLMSG_HDRLEN) {
        return;
    }
    nlmsghdr header;
    std::memcpy(&header, message.data(), sizeof header);
    switch (header.nlmsg_type) {
    case RTM_NEWLINK:
    case RTM_DELLINK:
        mapLink(header.nlmsg_type, message, keys);
        return;
    case RTM_NEWADDR:
    case RTM_DELADDR:
        mapAddress(header.nlmsg_type, message, keys);
        return;
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

void ChangeKeyMapper::mapLink(uint16_t type, std::span<const uint8_t> message, ChangedKeys& keys) {
    auto link = linkFactsFrom(message);
    if (!link || link->name.empty() || (type == RTM_NEWLINK && isWirelessEvent(message))) {
        return;
    }
    const auto known = links_.find(link->index);
    if (type == RTM_DELLINK) {
        keys.add(kInterfaceList);
        keys.add(interfaceKey(link->name, "Link"));
        addGlobalKeys(keys);
        links_.erase(link->index);
        std::erase_if(addresses_,
                      [&](const auto& entry) { return std::get<0>(entry.first) == link->index; });
        return;
    }
    const bool isNew = known == links_.end() || known->second.name != link->name;
    // LinkFacts hold what a user sees of a link, not the counters every message brings.
    if (!isNew && known->second == *link) {
        return;
    }
    if (isNew) {
        keys.add(kInterfaceList);
    }
    keys.add(interfaceKey(link->name, "Link"));
    if (!isNew && ((known->second.flags ^ link->flags) & kRoutingFlags) != 0) {
        addGlobalKeys(keys);
    }
    links_[link->index] = std::move(*link);
}

void ChangeKeyMapper::mapAddress(uint16_t type, std::span<const uint8_t> message,
                                 ChangedKeys& keys) {
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
    AddressIdentity identity{address.index, address.family, address.prefix_len, {}};
    auto& bytes = std::get<3>(identity);
    if (address.has_local) {
        std::memcpy(bytes.data(), address.local, sizeof address.local);
    }
    if (address.has_address) {
        std::memcpy(bytes.data() + 16, address.address, sizeof address.address);
    }
    if (type == RTM_DELADDR) {
        addresses_.erase(identity);
    } else {
        AddressState state{
            address.flags, address.scope, {}, address.has_proto ? address.proto : uint8_t{0}};
        if (address.has_broadcast) {
            std::memcpy(std::get<2>(state).data(), address.broadcast, sizeof address.broadcast);
        }
        const auto [entry, added] = addresses_.try_emplace(identity, state);
        if (!added && entry->second == state) {
            return;
        }
        entry->second = state;
    }
    keys.add(interfaceKey(known->second.name, address.family == AF_INET ? "IPv4" : "IPv6"));
}

} // namespace wirelark
