#pragma once

#include "netcore/sysconfig/tunnel_owners.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <systemd/sd-bus.h>

// The helper's reply dictionaries as values, written by the helper and read by its callers with
// the same code. Readers take the message as outside input: a member that is missing or of the
// wrong type leaves its field absent, and they never fail.
namespace wirelark {

// The answer to Status ("a{sv}" with the AdminStatusKey members).
struct AdminStatus {
    std::optional<std::string> version = std::nullopt;
    // A helper that does not say speaks protocol 0.
    int32_t protocol = 0;
    // Absent in the companion app's status, which has no token to judge.
    std::optional<bool> paired = std::nullopt;

    bool operator==(const AdminStatus&) const = default;
};

// A pairing request waiting for an administrator ("a{sv}" with the PendingPairingKey members).
struct PendingPairing {
    std::string id;
    // Sent as "x": seconds since 1970-01-01 00:00:00 UTC.
    std::optional<std::chrono::sys_seconds> created = std::nullopt;
    // Sent as "x"; a value outside the range of uids reads as absent.
    std::optional<uint32_t> uid = std::nullopt;

    bool operator==(const PendingPairing&) const = default;
};

// The append functions return sd-bus results (negative errno on failure).
int appendStatus(sd_bus_message* message, const AdminStatus& status);
AdminStatus readStatus(sd_bus_message* message);

// Interface name -> owner, sent as "aa{sv}" with the TunnelOwnerKey members.
int appendTunnelOwners(sd_bus_message* message, const std::map<std::string, TunnelOwner>& owners);
// Skips an owner without a string interface, a string name or an int32 pid; a missing path reads
// as "". A later owner of one interface replaces an earlier one.
std::map<std::string, TunnelOwner> readTunnelOwners(sd_bus_message* message);

int appendPendingPairings(sd_bus_message* message, const std::vector<PendingPairing>& pairings);
// Skips a request without a string id.
std::vector<PendingPairing> readPendingPairings(sd_bus_message* message);

} // namespace wirelark
