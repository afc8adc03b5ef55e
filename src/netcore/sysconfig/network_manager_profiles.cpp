#include "netcore/sysconfig/network_manager_profiles.h"

#include "netcore/dbus/dbus_value.h"
#include "netcore/sysconfig/network_manager_names.h"

#include <algorithm>
#include <map>

#include <nlohmann/json.hpp>

namespace wirelark {

using namespace network_manager;

namespace {

using nlohmann::json;

constexpr uint32_t kFlagNmGenerated = 0x2;
constexpr uint32_t kFlagExternal = 0x8;
constexpr uint32_t kStateActivating = 1;
constexpr uint32_t kStateActivated = 2;

const json* member(const json& object, const char* key) {
    if (!object.is_object()) {
        return nullptr;
    }
    const auto it = object.find(key);
    return it == object.end() ? nullptr : &*it;
}

std::optional<std::string> stringMember(const json& object, const char* key) {
    const json* value = member(object, key);
    if (value == nullptr || !value->is_string()) {
        return std::nullopt;
    }
    return value->get<std::string>();
}

std::optional<int64_t> integerMember(const json& object, const char* key) {
    const json* value = member(object, key);
    if (value == nullptr || !value->is_number_integer()) {
        return std::nullopt;
    }
    if (value->is_number_unsigned() && value->get<uint64_t>() > INT64_MAX) {
        return std::nullopt;
    }
    return value->get<int64_t>();
}

std::optional<uint64_t> unsignedMember(const json& object, const char* key) {
    const json* value = member(object, key);
    if (value == nullptr || !value->is_number_unsigned()) {
        return std::nullopt;
    }
    return value->get<uint64_t>();
}

bool isTrue(const json& object, const char* key) {
    const json* value = member(object, key);
    return value != nullptr && value->is_boolean() && value->get<bool>();
}

// The object paths of a device's or an active connection's IPv4 and IPv6 configurations;
// "/" stands for none.
std::vector<std::string> ipConfigPaths(const json& object) {
    std::vector<std::string> paths;
    for (const char* key : {"Ip4Config", "Ip6Config"}) {
        if (auto path = stringMember(object, key); path && *path != "/") {
            paths.push_back(std::move(*path));
        }
    }
    return paths;
}

std::vector<std::string> stringsIn(const json* array) {
    std::vector<std::string> strings;
    if (array != nullptr && array->is_array()) {
        for (const auto& item : *array) {
            if (item.is_string()) {
                strings.push_back(item.get<std::string>());
            }
        }
    }
    return strings;
}

class Deadline {
public:
    explicit Deadline(std::chrono::microseconds budget)
        : end_(std::chrono::steady_clock::now() + budget) {}

    std::chrono::microseconds remaining() const {
        const auto left = std::chrono::duration_cast<std::chrono::microseconds>(
            end_ - std::chrono::steady_clock::now());
        return std::max(left, std::chrono::microseconds(0));
    }
    bool expired() const { return remaining().count() == 0; }

private:
    std::chrono::steady_clock::time_point end_;
};

// The one value a reply carries, or an empty object for a failed call.
json valueOf(const BusReply& reply) {
    auto value = reply ? readBusValue(reply->get()) : std::nullopt;
    return value ? std::move(*value) : json::object();
}

} // namespace

std::optional<ConnectionProfile> decodeConnectionProfile(const json& settings,
                                                         const json& properties) {
    const json* connection = member(settings, "connection");
    if (connection == nullptr) {
        return std::nullopt;
    }
    auto uuid = stringMember(*connection, "uuid");
    if (!uuid || uuid->empty()) {
        return std::nullopt;
    }
    ConnectionProfile profile;
    profile.uuid = std::move(*uuid);
    profile.id = stringMember(*connection, "id");
    profile.type = stringMember(*connection, "type").value_or("");
    profile.interfaceName = stringMember(*connection, "interface-name");
    if (profile.interfaceName && profile.interfaceName->empty()) {
        profile.interfaceName.reset();
    }
    profile.autoconnectPriority = integerMember(*connection, "autoconnect-priority").value_or(0);
    profile.timestamp = unsignedMember(*connection, "timestamp").value_or(0);
    profile.flags = static_cast<uint32_t>(unsignedMember(properties, "Flags").value_or(0));
    return profile;
}

std::vector<NetworkService> servicesFromProfiles(const std::vector<ConnectionProfile>& profiles) {
    std::vector<const ConnectionProfile*> order;
    for (const auto& profile : profiles) {
        order.push_back(&profile);
    }
    const auto hidden = [](const ConnectionProfile& p) {
        return (p.flags & (kFlagNmGenerated | kFlagExternal)) != 0 || p.type == "loopback";
    };
    std::stable_sort(order.begin(), order.end(), [&](const auto* a, const auto* b) {
        if (hidden(*a) != hidden(*b)) {
            return !hidden(*a);
        }
        if (a->active != b->active) {
            return a->active;
        }
        if (a->autoconnectPriority != b->autoconnectPriority) {
            return a->autoconnectPriority > b->autoconnectPriority;
        }
        return a->timestamp > b->timestamp;
    });
    std::vector<NetworkService> services;
    services.reserve(order.size());
    for (const auto* p : order) {
        services.push_back(
            NetworkService{p->uuid, p->id.value_or(p->uuid), p->active,
                           p->activeInterface ? p->activeInterface : p->interfaceName, hidden(*p)});
    }
    return services;
}

NetworkManagerState readNetworkManager(const DbusConnection& bus,
                                       std::chrono::microseconds budget) {
    const Deadline deadline(budget);
    NetworkManagerState state;
    // First the manager alone: an absent service answers at once, and its object lists the rest.
    const auto manager =
        bus.getAllProperties(kService, kRootPath, kManagerInterface, deadline.remaining());
    if (!manager || manager->empty()) {
        return state;
    }

    // Then every device, every active connection and the profile list in one round trip.
    const auto devicePaths = stringsIn(member(*manager, "Devices"));
    const auto activePaths = stringsIn(member(*manager, "ActiveConnections"));
    std::vector<BusMessage> calls;
    for (const auto& path : devicePaths) {
        calls.push_back(bus.newGetAll(kService, path.c_str(), kDeviceInterface));
    }
    for (const auto& path : activePaths) {
        calls.push_back(bus.newGetAll(kService, path.c_str(), kActiveInterface));
    }
    calls.push_back(
        bus.newMethodCall(kService, kSettingsPath, kSettingsInterface, "ListConnections"));
    const auto replies = bus.callAll(calls, deadline.remaining());

    std::map<std::string, std::string> ipInterfaceOfDevice;
    std::map<std::string, std::string> ipInterfaceOfConfig;
    for (size_t i = 0; i < devicePaths.size(); ++i) {
        const json device = valueOf(replies[i]);
        const auto name = stringMember(device, "Interface");
        const auto ipName = stringMember(device, "IpInterface");
        for (const auto& known : {name, ipName}) {
            if (known && !known->empty() &&
                std::find(state.deviceInterfaces.begin(), state.deviceInterfaces.end(), *known) ==
                    state.deviceInterfaces.end()) {
                state.deviceInterfaces.push_back(*known);
            }
        }
        const auto ipInterface = ipName && !ipName->empty() ? ipName : name;
        if (ipInterface && !ipInterface->empty()) {
            ipInterfaceOfDevice[devicePaths[i]] = *ipInterface;
            for (const auto& config : ipConfigPaths(device)) {
                ipInterfaceOfConfig[config] = *ipInterface;
            }
        }
    }

    // Settings path of each active or activating profile -> the interface it runs on: that of
    // its first device, but for a VPN the one that carries its own IP configuration, since its
    // first device is the one underneath (the Wi-Fi or Ethernet it runs over).
    std::map<std::string, std::optional<std::string>> activeProfiles;
    for (size_t i = 0; i < activePaths.size(); ++i) {
        const json active = valueOf(replies[devicePaths.size() + i]);
        const auto connection = stringMember(active, "Connection");
        const auto activeState = unsignedMember(active, "State");
        if (!connection || !activeState ||
            (*activeState != kStateActivating && *activeState != kStateActivated)) {
            continue;
        }
        const auto devices = stringsIn(member(active, "Devices"));
        std::optional<std::string> interface;
        if (isTrue(active, "Vpn")) {
            for (const auto& config : ipConfigPaths(active)) {
                if (const auto it = ipInterfaceOfConfig.find(config);
                    !interface && it != ipInterfaceOfConfig.end()) {
                    interface = it->second;
                }
            }
        } else if (!devices.empty()) {
            if (const auto it = ipInterfaceOfDevice.find(devices.front());
                it != ipInterfaceOfDevice.end()) {
                interface = it->second;
            }
        }
        activeProfiles[*connection] = interface;
    }

    // Last, the settings and flags of every profile, again in one round trip.
    const json listed = valueOf(replies.back());
    const auto profilePaths = stringsIn(&listed);
    std::vector<BusMessage> profileCalls;
    for (const auto& path : profilePaths) {
        profileCalls.push_back(
            bus.newMethodCall(kService, path.c_str(), kConnectionInterface, "GetSettings"));
        profileCalls.push_back(bus.newGetAll(kService, path.c_str(), kConnectionInterface));
    }
    if (deadline.expired()) {
        return state; // no time left to ask for any profile
    }
    const auto profileReplies = bus.callAll(profileCalls, deadline.remaining());
    for (size_t i = 0; i < profilePaths.size(); ++i) {
        const auto& settings = profileReplies[2 * i];
        if (!settings) {
            continue;
        }
        auto profile =
            decodeConnectionProfile(valueOf(settings), valueOf(profileReplies[2 * i + 1]));
        if (!profile) {
            continue;
        }
        if (const auto it = activeProfiles.find(profilePaths[i]); it != activeProfiles.end()) {
            profile->active = true;
            profile->activeInterface = it->second;
        }
        state.profiles.push_back(std::move(*profile));
    }
    return state;
}

} // namespace wirelark
