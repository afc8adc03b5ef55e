#include "helper/network_switch.h"

#include "netcore/sysconfig/network_manager_names.h"

#include <nlohmann/json.hpp>

namespace wirelark {

using namespace network_manager;

namespace {

using Clock = std::chrono::steady_clock;

// NetworkManager's answer to GetConnectionByUuid for a uuid it does not know.
constexpr std::string_view kInvalidConnection =
    "org.freedesktop.NetworkManager.Settings.InvalidConnection";

std::chrono::microseconds left(Clock::time_point deadline) {
    return std::max(std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now()),
                    std::chrono::microseconds(1));
}

Expected<std::string, AdminError> profilePath(const DbusConnection& bus, const std::string& uuid,
                                              Clock::time_point deadline) {
    const BusMessage call =
        bus.newMethodCall(kService, kSettingsPath, kSettingsInterface, "GetConnectionByUuid");
    if (!call || sd_bus_message_append(call.get(), "s", uuid.c_str()) < 0) {
        return Unexpected(AdminError::unknownService);
    }
    const BusReply reply = bus.call(call.get(), left(deadline));
    const char* path = nullptr;
    if (!reply) {
        return Unexpected(reply.error().name == kInvalidConnection
                              ? AdminError::unknownService
                              : AdminError::configurationFailed);
    }
    if (sd_bus_message_read(reply->get(), "o", &path) < 0) {
        return Unexpected(AdminError::configurationFailed);
    }
    return std::string(path);
}

Expected<void, AdminError> callManager(const DbusConnection& bus, const char* member,
                                       const std::vector<std::string>& paths,
                                       Clock::time_point deadline) {
    const BusMessage call = bus.newMethodCall(kService, kRootPath, kManagerInterface, member);
    int r = call ? 0 : -EINVAL;
    for (const auto& path : paths) {
        r = r < 0 ? r : sd_bus_message_append(call.get(), "o", path.c_str());
    }
    if (r < 0 || !bus.call(call.get(), left(deadline))) {
        return Unexpected(AdminError::configurationFailed);
    }
    return {};
}

// The active connections made from the profile at `profile`.
Expected<std::vector<std::string>, AdminError> activeConnectionsOf(const DbusConnection& bus,
                                                                   const std::string& profile,
                                                                   Clock::time_point deadline) {
    const auto manager =
        bus.getAllProperties(kService, kRootPath, kManagerInterface, left(deadline));
    if (!manager || !manager->contains("ActiveConnections") ||
        !(*manager)["ActiveConnections"].is_array()) {
        return Unexpected(AdminError::configurationFailed);
    }
    std::vector<std::string> matching;
    for (const auto& active : (*manager)["ActiveConnections"]) {
        if (!active.is_string()) {
            continue;
        }
        const auto path = active.get<std::string>();
        const auto properties =
            bus.getAllProperties(kService, path.c_str(), kActiveInterface, left(deadline));
        if (properties && properties->value("Connection", nlohmann::json()) == profile) {
            matching.push_back(path);
        }
    }
    return matching;
}

} // namespace

Expected<void, AdminError> switchProfile(const DbusConnection& bus, const std::string& uuid,
                                         bool enabled, std::chrono::microseconds budget) {
    const auto deadline = Clock::now() + budget;
    const auto profile = profilePath(bus, uuid, deadline);
    if (!profile) {
        return Unexpected(profile.error());
    }
    if (enabled) {
        // "/" for the device and the specific object: NetworkManager chooses.
        return callManager(bus, "ActivateConnection", {*profile, "/", "/"}, deadline);
    }
    const auto active = activeConnectionsOf(bus, *profile, deadline);
    if (!active) {
        return Unexpected(active.error());
    }
    for (const auto& path : *active) {
        if (auto done = callManager(bus, "DeactivateConnection", {path}, deadline); !done) {
            return done;
        }
    }
    return {};
}

} // namespace wirelark
