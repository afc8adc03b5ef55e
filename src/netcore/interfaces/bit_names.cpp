#include "netcore/interfaces/bit_names.h"

#include <array>
#include <cstdio>

namespace wirelark {

// The kernel's IFF_ bits as Linux defines them (bits 0-9 agree with other systems).
const BitNames BitNames::interfaceFlags{{
    {0, "UP"},         {1, "BROADCAST"}, {2, "DEBUG"},      {3, "LOOPBACK"}, {4, "POINTOPOINT"},
    {5, "NOTRAILERS"}, {6, "RUNNING"},   {7, "NOARP"},      {8, "PROMISC"},  {9, "ALLMULTI"},
    {10, "MASTER"},    {11, "SLAVE"},    {12, "MULTICAST"}, {13, "PORTSEL"}, {14, "AUTOMEDIA"},
    {15, "DYNAMIC"},   {16, "LOWER_UP"}, {17, "DORMANT"},   {18, "ECHO"},
}};

const BitNames BitNames::capabilities{{
    {0, "RXCSUM"},
    {1, "TXCSUM"},
    {2, "VLAN_MTU"},
    {3, "VLAN_HWTAGGING"},
    {4, "JUMBO_MTU"},
    {5, "TSO4"},
    {6, "TSO6"},
    {7, "LRO"},
    {8, "AV"},
    {9, "TXSTATUS"},
    {10, "CHANNEL_IO"},
    {11, "HW_TIMESTAMP"},
    {12, "SW_TIMESTAMP"},
    {13, "PARTIAL_CSUM"},
    {14, "ZEROINVERT_CSUM"},
    {15, "LRO_NUM_SEG"},
}};

const BitNames BitNames::nd6Flags{{
    {0, "PERFORMNUD"},
    {1, "ACCEPT_RTADV"},
    {2, "PREFER_SOURCE"},
    {3, "IFDISABLED"},
    {4, "DONT_SET_IFROUTE"},
    {5, "PROXY_PREFIXES"},
    {6, "IGNORE_NA"},
    {7, "INSECURE"},
    {8, "REPLICATED"},
    {9, "DAD"},
}};

std::vector<std::string> BitNames::names(uint32_t value) const {
    std::vector<std::string> result;
    for (const auto& [bit, name] : bits) {
        if (bit >= 0 && bit < 32 && (value >> bit) & 1u) {
            result.push_back(name);
        }
    }
    return result;
}

std::string BitNames::format(uint32_t value) const {
    char hex[9];
    std::snprintf(hex, sizeof hex, "%x", value);
    std::string text = hex;
    text += '<';
    bool first = true;
    for (const auto& name : names(value)) {
        if (!first) {
            text += ',';
        }
        text += name;
        first = false;
    }
    text += '>';
    return text;
}

std::string interfaceFlagHelp(std::string_view name) {
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 19> kHelp{{
        {"UP", "Interface is administratively up"},
        {"BROADCAST", "Broadcast address is valid"},
        {"DEBUG", "Driver debugging is on"},
        {"LOOPBACK", "Loopback interface"},
        {"POINTOPOINT", "Point-to-point link"},
        {"NOTRAILERS", "Avoids trailer encapsulation"},
        {"RUNNING", "Driver resources are allocated"},
        {"NOARP", "No address resolution protocol"},
        {"PROMISC", "Receives all packets (promiscuous mode)"},
        {"ALLMULTI", "Receives all multicast packets"},
        {"MASTER", "Leads a bond or team"},
        {"SLAVE", "Member of a bond or team"},
        {"MULTICAST", "Supports multicast"},
        {"PORTSEL", "Can select its media type"},
        {"AUTOMEDIA", "Selects its media type automatically"},
        {"DYNAMIC", "Addresses change when the link comes up"},
        {"LOWER_UP", "Carrier is present"},
        {"DORMANT", "Waiting for an external event"},
        {"ECHO", "Echoes sent packets"},
    }};
    for (const auto& [key, help] : kHelp) {
        if (key == name) {
            return std::string(help);
        }
    }
    return std::string(name);
}

} // namespace wirelark
