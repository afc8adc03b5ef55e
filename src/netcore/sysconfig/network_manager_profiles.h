#pragma once

#include "netcore/dbus/dbus_connection.h"
#include "netcore/sysconfig/network_metadata.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

namespace wirelark {

// One NetworkManager connection profile as the reader needs it.
struct ConnectionProfile {
    std::string uuid;
    std::optional<std::string> id;
    std::string type;
    std::optional<std::string> interfaceName;
    int64_t autoconnectPriority = 0;
    uint64_t timestamp = 0;
    uint32_t flags = 0;
    // Active or activating, and the IP interface of its active device when known.
    bool active = false;
    std::optional<std::string> activeInterface;

    bool operator==(const ConnectionProfile&) const = default;
};

// What NetworkManager tells about profiles and devices; empty when it does not answer.
struct NetworkManagerState {
    std::vector<ConnectionProfile> profiles;
    // Interface names of the devices NetworkManager knows.
    std::vector<std::string> deviceInterfaces;
};

// The profile in GetSettings' a{sa{sv}} reply (as JSON) and the Settings.Connection properties;
// absent without a uuid.
std::optional<ConnectionProfile> decodeConnectionProfile(const nlohmann::json& settings,
                                                         const nlohmann::json& properties);

// Services in display order: visible before hidden; within each, active profiles first, then the
// higher autoconnect priority, then the more recently used; otherwise as listed.
std::vector<NetworkService> servicesFromProfiles(const std::vector<ConnectionProfile>& profiles);

// Reads profiles, active connections and devices with blocking calls that all share one
// deadline `budget` from now: a hung NetworkManager costs at most that, and what was read before
// stays in the result.
NetworkManagerState readNetworkManager(const DbusConnection& bus, std::chrono::microseconds budget);

} // namespace wirelark
