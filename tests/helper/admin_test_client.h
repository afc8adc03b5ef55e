#pragma once

#include "admin/admin_bus.h"
#include "admin/admin_replies.h"
#include "netcore/dbus/dbus_connection.h"

#include <optional>
#include <string>
#include <vector>

namespace wirelark::testing {

// Speaks both of the helper's interfaces with blocking calls, built on the protocol library
// alone. A failed call gives the D-Bus error's name and message.
class AdminTestClient {
public:
    explicit AdminTestClient(DbusConnection bus) : bus_(std::move(bus)) {}

    std::string uniqueName() const;
    // Whether any connection owns `name` on the bus now.
    bool nameHasOwner(const std::string& name) const;
    // sd_bus_request_name's result: negative when the bus refuses.
    int requestName(const std::string& name) const;

    Expected<AdminStatus, BusError> status(const std::optional<std::string>& token) const;
    Expected<std::string, BusError> beginPairing() const;
    // AwaitPairing sent without waiting; finishAwait then waits for its answer.
    void startAwait(const std::string& requestId);
    Expected<std::string, BusError> finishAwait();
    Expected<std::string, BusError> awaitPairing(const std::string& requestId);
    Expected<void, BusError> setServiceEnabled(const std::string& serviceId, bool enabled,
                                               const std::string& token) const;
    Expected<void, BusError> unpair(const std::string& token) const;
    Expected<std::map<std::string, TunnelOwner>, BusError> tunnelOwners() const;

    Expected<AdminStatus, BusError> controlStatus() const;
    Expected<std::vector<PendingPairing>, BusError> pendingPairings() const;
    Expected<void, BusError> approvePairing(const std::string& requestId) const;
    Expected<void, BusError> denyPairing(const std::string& requestId) const;
    Expected<void, BusError> unpairAll() const;

private:
    // A call of `method` on the app's interface (control false) or the companion app's.
    BusMessage newCall(bool control, const AdminBus::Method& method) const;
    BusReply send(const BusMessage& call) const;

    DbusConnection bus_;
    BusSlot awaiting_;
    std::optional<BusReply> awaitReply_;
};

} // namespace wirelark::testing
