#pragma once

#include "netcore/interfaces/interface_snapshot.h"

#include <string>

namespace wirelark {

// "10.0.0.2/24  255.255.255.0 → 10.0.0.1": address, prefix, netmask and point-to-point peer,
// each where known. The broadcast address is not shown.
std::string ipv4Line(const IPv4Address& address);

// "fe80::1/64  scope 0x4  autoconf secured": the scope only when asked for and non-zero.
std::string ipv6Line(const IPv6Address& address, bool showScope);

} // namespace wirelark
