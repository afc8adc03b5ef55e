#pragma once

#include "netcore/kernel/link_facts.h"

#include <cstdint>
#include <map>
#include <span>
#include <string>
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
class ChangeKeyMapper {
public:
    // Starts over from a full link list (after a dump or a resynchronisation).
    void reset(const std::vector<LinkFacts>& links);
    void map(std::span<const uint8_t> message, ChangedKeys& keys);

    static constexpr const char* kInterfaceList = "State:/Network/Interface";

private:
    struct Known {
        std::string name;
        uint32_t flags = 0;
    };
    std::map<uint32_t, Known> links_;
};

} // namespace wirelark
