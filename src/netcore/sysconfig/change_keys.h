#pragma once

#include "netcore/kernel/link_facts.h"

#include <array>
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <tuple>
#include <vector>

namespace wirelark {

// Gathers changed keys without repeats, in the order they first appeared.
class ChangedKeys {
public:
    void add(std::string key);
    bool empty() const { return keys_.empty(); }
    // Hands the keys over and starts again empty.
    std::vector<std::string> take();

private:
    std::vector<std::string> keys_;
};

// Names what an rtnetlink notification changed: "State:/Network/Interface" for links added,
// removed or renamed, "State:/Network/Interface/NAME/Link", ".../NAME/IPv4" and ".../NAME/IPv6"
// for one link and its addresses, "State:/Network/Global/IPv4" and ".../IPv6" for routes. It
// keeps the name and flags of every link: address messages carry only the index, and a link
// going up or down or away changes the routes through it without a route message for IPv4.
// The kernel also repeats RTM_NEWLINK for Wi-Fi scans (IFLA_WIRELESS) and RTM_NEWADDR for every
// lifetime refresh after a router advertisement; so it keeps what a user sees of each link and
// address too, and names one only when that changed.
class ChangeKeyMapper {
public:
    // Starts over from a full link list (after a dump or a resynchronisation).
    void reset(const std::vector<LinkFacts>& links);
    void map(std::span<const uint8_t> message, ChangedKeys& keys);

    static constexpr const char* kInterfaceList = "State:/Network/Interface";

private:
    void mapLink(uint16_t type, std::span<const uint8_t> message, ChangedKeys& keys);
    void mapAddress(uint16_t type, std::span<const uint8_t> message, ChangedKeys& keys);

    // What identifies an address to the kernel: its link, family, prefix, local and peer bytes.
    using AddressIdentity = std::tuple<uint32_t, uint8_t, uint8_t, std::array<uint8_t, 32>>;
    // What a user sees of it besides: flags, scope, broadcast and origin, not its lifetimes.
    using AddressState = std::tuple<uint32_t, uint8_t, std::array<uint8_t, 4>, uint8_t>;

    std::map<uint32_t, LinkFacts> links_;
    std::map<AddressIdentity, AddressState> addresses_;
};

} // namespace wirelark
