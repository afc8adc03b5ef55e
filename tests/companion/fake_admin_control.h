#pragma once

#include "admin/admin_error.h"
#include "admin/admin_replies.h"

#include "app/bus/qt_bus_dispatcher.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace wirelark::testing {

// The helper's control interface as Wirelark Admin sees it, served on the test's Qt loop: it
// answers Status and PendingPairings from its fields and records every deciding call.
class FakeAdminControl {
public:
    // Null when the name or the object cannot be registered.
    static std::unique_ptr<FakeAdminControl> serve(DbusConnection bus, const std::string& name);

    AdminStatus status{.version = "1.2.0", .protocol = 1};
    std::vector<PendingPairing> pending;
    // Deciding calls are refused with this when set.
    std::optional<AdminError> refusal;
    // Deciding calls stay open until released, as while polkit waits for a password.
    bool holdDecisions = false;
    // One line per deciding call: its member, then its arguments ("ApprovePairing r-1 0", with
    // the authorization's size).
    std::vector<std::string> decisions;

    void releaseHeld();

private:
    explicit FakeAdminControl(DbusConnection bus) : dispatcher_(std::move(bus)) {}

    static int onStatus(sd_bus_message* call, void* self, sd_bus_error*);
    static int onPendingPairings(sd_bus_message* call, void* self, sd_bus_error*);
    static int onApprove(sd_bus_message* call, void* self, sd_bus_error* error);
    static int onDeny(sd_bus_message* call, void* self, sd_bus_error* error);
    static int onUnpairAll(sd_bus_message* call, void* self, sd_bus_error* error);
    int decide(sd_bus_message* call, std::string line, sd_bus_error* error);

    QtBusDispatcher dispatcher_;
    BusSlot object_;
    std::vector<BusMessage> held_;
};

} // namespace wirelark::testing
