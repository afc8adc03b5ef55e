#pragma once

#include "app/core/interface_item.h"

#include <string>
#include <vector>

namespace wirelark::testing {

// A present, up and running interface with the given addresses.
inline InterfaceSnapshot runningSnapshot(const std::string& name,
                                         std::vector<std::string> ipv4 = {},
                                         std::vector<std::string> ipv6 = {}) {
    InterfaceSnapshot s;
    s.name = name;
    s.flags = 0x1 | 0x40;
    s.ifType = 6;
    for (auto& a : ipv4) {
        s.ipv4.push_back({a, std::nullopt, std::nullopt, std::nullopt, std::nullopt});
    }
    for (auto& a : ipv6) {
        s.ipv6.push_back({a, 64, 0, 0, std::nullopt});
    }
    return s;
}

inline InterfaceItem presentItem(const std::string& key, InterfaceSnapshot snapshot) {
    InterfaceItem item;
    item.key = key;
    item.name = snapshot.name;
    item.snapshot = std::move(snapshot);
    return item;
}

inline RateSample sample(double end, uint64_t in, uint64_t out, double duration = 1) {
    return {end, duration, in, out};
}

} // namespace wirelark::testing
