#include "netcore/sysconfig/profile_change_signals.h"

#include "netcore/dbus/dbus_value.h"
#include "netcore/sysconfig/network_manager_names.h"

#include <nlohmann/json.hpp>

namespace wirelark {

using namespace network_manager;

namespace {

// (interface, member) pairs matched from NetworkManager; a null interface matches any.
constexpr std::pair<const char*, const char*> kSignals[] = {
    {"org.freedesktop.DBus.Properties", "PropertiesChanged"},
    {nullptr, "StateChanged"},
    {kSettingsInterface, "NewConnection"},
    {kSettingsInterface, "ConnectionRemoved"},
    {kConnectionInterface, "Updated"},
};

std::optional<std::string> uuidInSettings(sd_bus_message* reply) {
    const auto settings = readBusValue(reply);
    if (!settings || !settings->is_object()) {
        return std::nullopt;
    }
    const auto connection = settings->find("connection");
    if (connection == settings->end() || !connection->is_object()) {
        return std::nullopt;
    }
    const auto uuid = connection->find("uuid");
    if (uuid == connection->end() || !uuid->is_string() || uuid->get<std::string>().empty()) {
        return std::nullopt;
    }
    return uuid->get<std::string>();
}

} // namespace

ProfileChangeSignals::ProfileChangeSignals(const DbusConnection& bus, KeyHandler onKey)
    : bus_(bus), onKey_(std::move(onKey)) {
    for (const auto& [interface, member] : kSignals) {
        sd_bus_slot* slot = nullptr;
        if (sd_bus_match_signal_async(bus_.get(), &slot, kService, nullptr, interface, member,
                                      &ProfileChangeSignals::onSignal, nullptr, this) >= 0) {
            slots_.emplace_back(slot);
        }
    }
    // Knowing every profile's uuid now lets a later removal be named.
    startCall(PendingCall::Kind::list, kSettingsPath, false);
}

std::string ProfileChangeSignals::keyForUuid(const std::string& uuid) {
    return "Setup:/Network/Service/" + uuid;
}

int ProfileChangeSignals::onSignal(sd_bus_message* message, void* self, sd_bus_error*) {
    auto& signals = *static_cast<ProfileChangeSignals*>(self);
    const char* rawPath = sd_bus_message_get_path(message);
    const char* rawMember = sd_bus_message_get_member(message);
    const std::string_view path = rawPath ? rawPath : "";
    const std::string_view member = rawMember ? rawMember : "";
    if (member == "NewConnection" || member == "ConnectionRemoved") {
        const char* profile = nullptr;
        if (sd_bus_message_read(message, "o", &profile) > 0) {
            signals.settingsChanged(profile, member == "ConnectionRemoved");
        }
    } else if (path.starts_with(kSettingsPrefix)) {
        signals.settingsChanged(std::string(path), false);
    } else if (path.starts_with(kActivePrefix)) {
        signals.startCall(PendingCall::Kind::activeUuid, std::string(path), true);
    }
    // The manager's and devices' own changes reach the watcher through rtnetlink.
    return 0;
}

void ProfileChangeSignals::settingsChanged(const std::string& path, bool removed) {
    const auto known = settingsUuids_.find(path);
    if (known != settingsUuids_.end()) {
        onKey_(keyForUuid(known->second));
        if (removed) {
            settingsUuids_.erase(known);
        }
    } else if (!removed) {
        startCall(PendingCall::Kind::settings, path, true);
    }
}

void ProfileChangeSignals::startCall(PendingCall::Kind kind, const std::string& path,
                                     bool announce) {
    auto& call = calls_.emplace_back(PendingCall{kind, path, announce, this, nullptr});
    sd_bus_slot* slot = nullptr;
    int result = 0;
    switch (kind) {
    case PendingCall::Kind::list:
        result =
            sd_bus_call_method_async(bus_.get(), &slot, kService, path.c_str(), kSettingsInterface,
                                     "ListConnections", &ProfileChangeSignals::onReply, &call, "");
        break;
    case PendingCall::Kind::settings:
        result = sd_bus_call_method_async(bus_.get(), &slot, kService, path.c_str(),
                                          kConnectionInterface, "GetSettings",
                                          &ProfileChangeSignals::onReply, &call, "");
        break;
    case PendingCall::Kind::activeUuid:
        result = sd_bus_call_method_async(
            bus_.get(), &slot, kService, path.c_str(), "org.freedesktop.DBus.Properties", "Get",
            &ProfileChangeSignals::onReply, &call, "ss", kActiveInterface, "Uuid");
        break;
    }
    if (result < 0) {
        calls_.pop_back();
        return;
    }
    call.slot.reset(slot);
}

int ProfileChangeSignals::onReply(sd_bus_message* reply, void* call, sd_bus_error*) {
    auto& pending = *static_cast<PendingCall*>(call);
    auto& owner = *pending.owner;
    owner.finishCall(pending, sd_bus_message_is_method_error(reply, nullptr) ? nullptr : reply);
    // sd-bus holds its own reference to the slot while this callback runs.
    owner.calls_.remove_if([&](const PendingCall& c) { return &c == &pending; });
    return 0;
}

void ProfileChangeSignals::finishCall(PendingCall& call, sd_bus_message* reply) {
    switch (call.kind) {
    case PendingCall::Kind::list: {
        const auto paths = reply ? readBusValue(reply) : std::nullopt;
        if (paths && paths->is_array()) {
            for (const auto& path : *paths) {
                if (path.is_string()) {
                    startCall(PendingCall::Kind::settings, path.get<std::string>(), false);
                }
            }
        }
        return;
    }
    case PendingCall::Kind::settings: {
        const auto uuid = reply ? uuidInSettings(reply) : std::nullopt;
        if (uuid) {
            settingsUuids_[call.path] = *uuid;
            if (call.announce) {
                onKey_(keyForUuid(*uuid));
            }
        }
        return;
    }
    case PendingCall::Kind::activeUuid: {
        const auto value = reply ? readBusValue(reply) : std::nullopt;
        if (value && value->is_string() && !value->get<std::string>().empty()) {
            activeUuids_[call.path] = value->get<std::string>();
            onKey_(keyForUuid(value->get<std::string>()));
        } else if (const auto known = activeUuids_.find(call.path); known != activeUuids_.end()) {
            // The active connection is already gone: name it by what it was.
            onKey_(keyForUuid(known->second));
            activeUuids_.erase(known);
        }
        return;
    }
    }
}

} // namespace wirelark
