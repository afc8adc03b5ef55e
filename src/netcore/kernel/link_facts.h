#pragma once

#include "netcore/kernel/netlink_socket.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace wirelark {

// What the kernel's link list says about one interface.
struct LinkFacts {
    std::string name;
    uint32_t index = 0;
    uint16_t hwType = 0; // ARPHRD_
    std::string kind;    // netlink kind, empty when none
    uint32_t flags = 0;  // IFF_
    uint32_t mtu = 0;
    std::vector<uint8_t> address = {}; // link-level address, empty when none

    bool operator==(const LinkFacts&) const = default;
};

// The link of an RTM_NEWLINK or RTM_DELLINK message.
std::optional<LinkFacts> linkFactsFrom(std::span<const uint8_t> message);

// Every link, from one RTM_GETLINK dump.
Expected<std::vector<LinkFacts>, std::error_code> dumpLinkFacts(NetlinkSocket& socket);

} // namespace wirelark
