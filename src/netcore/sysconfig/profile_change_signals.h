#pragma once

#include "netcore/dbus/dbus_connection.h"

#include <functional>
#include <list>
#include <map>
#include <string>
#include <vector>

namespace wirelark {

// Turns NetworkManager's signals about connection profiles (added, removed, updated, activated
// or deactivated) into "Setup:/Network/Service/UUID" keys. It never blocks: the matches and the
// uuid look-ups are asynchronous calls whose replies arrive while the owner processes the bus.
class ProfileChangeSignals {
public:
    using KeyHandler = std::function<void(std::string key)>;

    // `bus` must outlive this object; `onKey` runs from within `bus.processPending()`.
    ProfileChangeSignals(const DbusConnection& bus, KeyHandler onKey);

    ProfileChangeSignals(const ProfileChangeSignals&) = delete;
    ProfileChangeSignals& operator=(const ProfileChangeSignals&) = delete;

    static std::string keyForUuid(const std::string& uuid);

private:
    // One asynchronous call in flight and what its reply is for.
    struct PendingCall {
        enum class Kind { list, settings, activeUuid } kind;
        std::string path;
        bool announce = false;
        ProfileChangeSignals* owner = nullptr;
        BusSlot slot;
    };

    static int onSignal(sd_bus_message* message, void* self, sd_bus_error* error);
    static int onReply(sd_bus_message* reply, void* call, sd_bus_error* error);

    void settingsChanged(const std::string& path, bool removed);
    void startCall(PendingCall::Kind kind, const std::string& path, bool announce);
    void finishCall(PendingCall& call, sd_bus_message* reply);

    const DbusConnection& bus_;
    KeyHandler onKey_;
    std::vector<BusSlot> slots_;
    // Object path -> uuid of the profiles and active connections seen so far; a removed object
    // can no longer be asked.
    std::map<std::string, std::string> settingsUuids_;
    std::map<std::string, std::string> activeUuids_;
    std::list<PendingCall> calls_;
};

} // namespace wirelark
