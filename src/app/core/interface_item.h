#pragma once

#include "app/core/interface_kind.h"
#include "netcore/history/rate_history.h"
#include "netcore/interfaces/interface_fingerprint.h"
#include "netcore/interfaces/interface_snapshot.h"
#include "netcore/sysconfig/network_metadata.h"
#include "netcore/sysconfig/tunnel_owners.h"
#include "netcore/wifi/wifi_details.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace wirelark {

struct Rates {
    double rateIn = 0;
    double rateOut = 0;

    bool operator==(const Rates&) const = default;
};

// One row of the panel: an interface that is present now, or a pinned one that is not.
struct InterfaceItem {
    std::string key;
    std::string name;
    std::optional<InterfaceSnapshot> snapshot;
    std::optional<InterfaceMetadata> metadata;
    std::optional<NetworkService> service;
    bool isPrimary = false;
    std::map<double, RateAggregate> stats; // by period in seconds
    std::vector<RateSample> recent;        // oldest first
    std::optional<WiFiDetails> wifi;
    std::optional<std::string> absentTitle;
    std::optional<TunnelOwner> owner;

    // Meaningful only while the snapshot is present.
    InterfaceKind kind() const;
    std::string subtitle() const;
    // Up, running, with a carrier, its service (if any) enabled, and an address beyond link-local.
    bool isActive() const;
    // Only 169.254 IPv4 addresses and link-local IPv6 ones: up, but no DHCP server answered.
    bool isSelfAssigned() const;
    // The rates of the newest recent sample.
    std::optional<Rates> currentRates() const;
    InterfaceFingerprint fingerprint() const;

    bool operator==(const InterfaceItem&) const = default;
};

// The identity of an interface across renames: the permanent hardware address where the system
// knows one, else its connection profile, else its link address, else its name.
std::string interfaceKey(const InterfaceSnapshot& snapshot, const InterfaceMetadata* metadata,
                         const NetworkService* service);

// The key of an interface whose interfaceKey an interface earlier in the kernel's order already
// holds (two veths given one MAC address, macvlans over one parent): that key, "#" and the
// interface's name. The first keeps the plain key; each later one gets a key of its own that
// stays the same from tick to tick, so no two interfaces share a counter baseline or a history.
std::string keyOfLaterHolder(const std::string& sharedKey, const std::string& name);

} // namespace wirelark
