#include "netcore/interfaces/address_lines.h"

#include <cstdio>

namespace wirelark {

std::string ipv4Line(const IPv4Address& address) {
    std::string line = address.address;
    if (address.prefixLength) {
        line += "/" + std::to_string(*address.prefixLength);
    }
    if (address.netmask) {
        line += "  " + *address.netmask;
    }
    if (address.destination) {
        line += " \u2192 " + *address.destination;
    }
    return line;
}

std::string ipv6Line(const IPv6Address& address, bool showScope) {
    std::string line = address.address;
    if (address.prefixLength) {
        line += "/" + std::to_string(*address.prefixLength);
    }
    if (showScope && address.scopeID != 0) {
        char scope[16];
        std::snprintf(scope, sizeof scope, "%x", address.scopeID);
        line += std::string("  scope 0x") + scope;
    }
    if (address.destination) {
        line += " \u2192 " + *address.destination;
    }
    const auto names = address.flagNames();
    for (size_t i = 0; i < names.size(); ++i) {
        line += (i == 0 ? "  " : " ") + names[i];
    }
    return line;
}

} // namespace wirelark
