#pragma once

#include "netcore/dbus/dbus_connection.h"
#include "netcore/sysconfig/interface_metadata.h"
#include "netcore/sysconfig/network_metadata.h"

#include <chrono>
#include <functional>
#include <optional>

namespace wirelark {

// Reads how the system sees its network: interface metadata, NetworkManager's connection
// profiles as services, and the primary IPv4 and IPv6 interfaces. Each read opens and closes its
// own connections, so it is too costly for every tick; read again when the watcher reports a
// change or the interface names change.
class SystemConfigurationReader {
public:
    struct Sources {
        std::function<std::optional<DbusConnection>()> openBus = &DbusConnection::openSystem;
        // All NetworkManager calls of one read together wait at most this long.
        std::chrono::milliseconds busBudget{3000};
        DeviceFolders folders;
    };

    SystemConfigurationReader();
    explicit SystemConfigurationReader(Sources sources);

    // Never fails: a source that is missing or refuses leaves its part empty or absent.
    NetworkMetadata read() const;

private:
    Sources sources_;
};

} // namespace wirelark
