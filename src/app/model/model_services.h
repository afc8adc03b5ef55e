#pragma once

#include "app/admin/admin_service.h"
#include "app/installer/helper_installer.h"
#include "app/model/public_address_lookup.h"
#include "app/notify/notification.h"
#include "netcore/sysconfig/network_change_watcher.h"

#include <functional>
#include <memory>

namespace wirelark {

// The outside services the model drives from its loop; what is left empty stays off, so tests
// give only what they look at.
struct ModelServices {
    using WatcherFactory =
        std::function<std::unique_ptr<NetworkChangeWatcher>(NetworkChangeWatcher::Handler)>;

    // Where change notifications go; none: nowhere.
    NotificationSink* notifications = nullptr;
    // Creates the configuration change watcher when the model starts; none: no watcher.
    WatcherFactory makeWatcher;
    // Looks up the public address; none: no lookup ever starts.
    std::unique_ptr<PublicAddressLookup> publicAddress;
    // The admin helper's client; none: one that is never paired.
    std::unique_ptr<AdminService> admin;
    // Installs the admin helper from the settings window; none: nothing to install with.
    std::unique_ptr<HelperInstaller> helperInstaller = nullptr;
    // The owners of tunnels among this user's own processes, for when the helper does not
    // answer; runs off the main thread. None: no owners.
    std::function<TunnelOwnerMap()> scanTunnelOwners;
};

} // namespace wirelark
