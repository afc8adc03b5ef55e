#pragma once

#include <cstdint>

// Where the admin helper sits on the system bus and what it answers there. The helper owns
// AdminTeamNames::busName for the app's interface and controlBusName for the companion app's;
// both serve one object. Refusals come back as the D-Bus errors of admin_bus_error.h.
namespace wirelark::AdminBus {

inline constexpr const char* objectPath = "/com/quillfern/Wirelark/admin";
// Spoken by the app.
inline constexpr const char* appInterface = "com.quillfern.Wirelark.AdminApp";
// Spoken by the companion app Wirelark Admin.
inline constexpr const char* controlInterface = "com.quillfern.Wirelark.AdminControl";

// One method: its member name and the sd-bus signatures of its arguments and its reply.
struct Method {
    const char* name;
    const char* arguments;
    const char* reply;
};

namespace App {
// (token, hasToken) -> status dictionary. Without a token, hasToken is false and the token "".
inline constexpr Method status{"Status", "sb", "a{sv}"};
// () -> request id.
inline constexpr Method beginPairing{"BeginPairing", "", "s"};
// (request id) -> token. The helper answers only when an administrator has decided, so callers
// wait with awaitPairingTimeout.
inline constexpr Method awaitPairing{"AwaitPairing", "s", "s"};
// (service id, enabled, token) -> ().
inline constexpr Method setServiceEnabled{"SetServiceEnabled", "sbs", ""};
// (token) -> ().
inline constexpr Method unpair{"Unpair", "s", ""};
// () -> one tunnel-owner dictionary per tunnel.
inline constexpr Method tunnelOwners{"TunnelOwners", "", "aa{sv}"};
} // namespace App

namespace Control {
// () -> status dictionary without "paired".
inline constexpr Method status{"Status", "", "a{sv}"};
// () -> one pending-pairing dictionary per request.
inline constexpr Method pendingPairings{"PendingPairings", "", "aa{sv}"};
// (request id, authorization) -> (). The authorization bytes are empty on Linux, where the
// helper asks polkit.
inline constexpr Method approvePairing{"ApprovePairing", "say", ""};
// (request id) -> ().
inline constexpr Method denyPairing{"DenyPairing", "s", ""};
// (authorization) -> ().
inline constexpr Method unpairAll{"UnpairAll", "ay", ""};
} // namespace Control

// A call timeout that sd-bus takes as none at all: it sets no timer for UINT64_MAX.
inline constexpr uint64_t awaitPairingTimeout = UINT64_MAX;

} // namespace wirelark::AdminBus
