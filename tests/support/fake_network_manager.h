#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <future>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <systemd/sd-bus.h>

namespace wirelark::testing {

struct FakeProfile {
    std::optional<std::string> uuid = std::nullopt;
    std::optional<std::string> id = std::nullopt;
    std::string type = "802-3-ethernet";
    std::optional<std::string> interfaceName = std::nullopt;
    int32_t autoconnectPriority = 0;
    uint64_t timestamp = 0;
    uint32_t flags = 0;
    // NetworkManager's active-connection state (1 activating, 2 activated, 4 deactivated); 0 for
    // a profile that is not in ActiveConnections at all.
    uint32_t activeState = 0;
    // Index into the fixture's devices of the active connection's device.
    std::optional<size_t> device = std::nullopt;
    // A VPN: `device` is the one it runs over, `tunnelDevice` the one with its IP configuration.
    bool vpn = false;
    std::optional<size_t> tunnelDevice = std::nullopt;
    // Sends the uuid as an int32 and Flags as a string, as a broken peer might.
    bool malformed = false;
    // ActivateConnection and DeactivateConnection of this profile fail.
    bool refusesSwitching = false;
};

// An ActivateConnection or DeactivateConnection that reached the service: the method and the
// object it named (the profile's settings path, or the active connection's path).
struct NetworkManagerSwitch {
    std::string method;
    std::string path;

    bool operator==(const NetworkManagerSwitch&) const = default;
};

struct FakeDevice {
    std::string interface;
    std::string ipInterface;
};

struct FakeNetworkManagerFixture {
    std::vector<FakeProfile> profiles;
    std::vector<FakeDevice> devices;
    // Methods that never get a reply (a hung service).
    std::set<std::string> hangOn;
};

// Serves the NetworkManager objects and properties the reader and watcher use, from a fixture,
// on a bus of the test's own, from a thread of its own.
class FakeNetworkManager {
public:
    FakeNetworkManager(const std::string& busAddress, FakeNetworkManagerFixture fixture);
    ~FakeNetworkManager();

    FakeNetworkManager(const FakeNetworkManager&) = delete;
    FakeNetworkManager& operator=(const FakeNetworkManager&) = delete;

    // True once the name is owned and the objects are served.
    bool ready() const { return ready_; }
    // Adds a profile and announces it with Settings.NewConnection.
    void addProfile(FakeProfile profile);
    // Sets the active-connection state of profile `index` and sends StateChanged from it.
    void setActiveState(size_t index, uint32_t state);
    // Removes profile `index`'s settings object and sends Settings.ConnectionRemoved.
    void removeProfile(size_t index);
    // Every Activate/DeactivateConnection so far, in order.
    std::vector<NetworkManagerSwitch> switches() const;
    // Profile `index`'s settings object and the active connection made from it.
    static std::string profilePath(size_t index);
    static std::string activePath(size_t index);

private:
    void run(const std::string& busAddress, std::promise<bool>& started);
    int handle(sd_bus_message* message);
    int handleSwitch(sd_bus_message* message, const std::string& member);
    // Runs `action` on the service's thread, which owns the bus and the fixture.
    void post(std::function<void(sd_bus*)> action);
    void runPosted(sd_bus* bus);

    mutable std::mutex mutex_;
    std::vector<std::function<void(sd_bus*)>> posted_;
    std::vector<NetworkManagerSwitch> switches_;
    std::set<size_t> removed_;
    std::atomic<bool> stopping_{false};
    FakeNetworkManagerFixture fixture_;
    int wakeFd_ = -1;
    bool ready_ = false;
    std::thread thread_;
};

} // namespace wirelark::testing
