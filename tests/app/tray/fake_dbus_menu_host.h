#pragma once

#include "bus_thread.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

namespace wirelark::testing {

// A tray host's side of an item's com.canonical.dbusmenu object on a test bus, from a thread of
// its own: calls the menu's methods as a host drawing the menu does and records the menu's
// LayoutUpdated signals.
class FakeDbusMenuHost {
public:
    struct Reply {
        std::string error; // the error's name, empty on success
        nlohmann::json values = nlohmann::json::array();
    };

    FakeDbusMenuHost(const std::string& busAddress, std::string service, std::string path);

    bool ready() const { return thread_.ready(); }
    // Calls a method of the menu with the arguments `appendArguments` adds. Waits on the Qt
    // event loop, where the menu answers.
    Reply call(const std::string& member, std::function<int(sd_bus_message*)> appendArguments,
               const std::string& interface = "com.canonical.dbusmenu");
    // Properties.Get of one of the menu's properties.
    Reply property(const std::string& name);
    // (revision, parent) of each LayoutUpdated, in arrival order.
    std::vector<std::pair<uint32_t, int32_t>> layoutUpdates() const;

private:
    int onLayoutUpdated(sd_bus_message* message);

    const std::string service_;
    const std::string path_;
    mutable std::mutex mutex_;
    std::vector<std::pair<uint32_t, int32_t>> layoutUpdates_;
    // Last: stops serving before the state it uses goes.
    BusThread thread_;
};

} // namespace wirelark::testing
