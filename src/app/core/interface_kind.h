#pragma once

#include "netcore/interfaces/interface_snapshot.h"

namespace wirelark {

enum class InterfaceKind {
    loopback,
    wifi,
    ethernet,
    cellular,
    awdl,
    lowLatencyWLAN,
    tunnel,
    bridge,
    accessPoint,
    gif,
    stf,
    other,
};

// What kind of interface a snapshot shows: name prefixes first, then the kernel's device kind,
// its functional type, the loopback flag and the link type.
InterfaceKind classify(const InterfaceSnapshot& snapshot);

// "Wi-Fi", "Generic tunnel", ...
const char* title(InterfaceKind kind);
// The case name ("lowLatencyWLAN"), as interface keys spell it.
const char* caseName(InterfaceKind kind);

} // namespace wirelark
