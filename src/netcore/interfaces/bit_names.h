#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace wirelark {

// Names the bits of a kernel flag word, in display order.
struct BitNames {
    std::vector<std::pair<int, std::string>> bits;

    // Names of the set bits, in table order; bits without an entry are not named.
    std::vector<std::string> names(uint32_t value) const;
    // "8863<UP,BROADCAST,...>": the value in lower-case hex, then the names in angle brackets.
    std::string format(uint32_t value) const;

    static const BitNames interfaceFlags;
    static const BitNames capabilities;
    static const BitNames nd6Flags;
};

// The sentence shown for an interface flag; a name without one is its own help text.
std::string interfaceFlagHelp(std::string_view name);

} // namespace wirelark
