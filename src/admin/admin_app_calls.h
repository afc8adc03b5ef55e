#pragma once

#include "admin/admin_bus.h"
#include "admin/admin_constants.h"
#include "admin/admin_error.h"
#include "admin/admin_replies.h"
#include "netcore/base/expected.h"
#include "netcore/dbus/dbus_connection.h"

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <systemd/sd-bus.h>

namespace wirelark {

// The admin helper's refusal as a call's failure: its D-Bus error name and description.
BusError adminBusError(AdminError error);
// What a user reads of a failed call: the description the helper or the bus sent, else the
// error's name.
std::string failureText(const BusError& error);

// The calls of the app's interface to the admin helper, sent without waiting on a connection
// that someone else dispatches. Each `done` runs exactly once, on the dispatching thread: with
// the reply, the helper's refusal, a timeout, or the error given to failPending, whichever comes
// first. No Qt, so that wirelark-cli drives the same calls.
class AdminAppCalls {
public:
    struct Options {
        std::string busName = AdminTeamNames::configured().busName;
        // For every call but AwaitPairing, which waits for as long as the administrator does.
        std::chrono::microseconds timeout = std::chrono::seconds(25);
        // Runs after each call is queued, for an event loop to send it soon.
        std::function<void()> queued = nullptr;
    };
    template <typename T>
    using Done = std::function<void(Expected<T, BusError>)>;

    AdminAppCalls(sd_bus* bus, Options options);
    // Calls still waiting never complete.
    ~AdminAppCalls();
    AdminAppCalls(const AdminAppCalls&) = delete;
    AdminAppCalls& operator=(const AdminAppCalls&) = delete;

    // Succeeds once the helper answers a ping, started by the bus first when it is installed
    // but not running; fails when there is none.
    void reachHelper(Done<void> done);
    void status(const std::optional<std::string>& token, Done<AdminStatus> done);
    // An empty request id counts as none: the request has expired.
    void beginPairing(Done<std::string> done);
    // An empty token counts as none: the authorization failed.
    void awaitPairing(const std::string& requestID, Done<std::string> done);
    void setServiceEnabled(const std::string& serviceID, bool enabled, const std::string& token,
                           Done<void> done);
    void unpair(const std::string& token, Done<void> done);
    void tunnelOwners(Done<std::map<std::string, TunnelOwner>> done);

    // Completes every waiting call with `error`, for a connection that is gone; replies that
    // still come are dropped.
    void failPending(const BusError& error);

private:
    struct Pending;
    using ReplyHandler = std::function<void(Expected<sd_bus_message*, BusError>)>;
    // Where a call goes: a bus name, its object, interface and member.
    struct Target {
        const char* destination;
        const char* path;
        const char* interface;
        const char* member;
    };

    static int deliverReply(sd_bus_message* reply, void* userdata, sd_bus_error* error);
    static void releasePending(void* userdata);
    // A call of the helper's app interface.
    void send(const AdminBus::Method& method, uint64_t timeoutUsec,
              const std::function<int(sd_bus_message*)>& appendArguments, ReplyHandler onReply);
    void sendTo(const Target& target, uint64_t timeoutUsec,
                const std::function<int(sd_bus_message*)>& appendArguments, ReplyHandler onReply);

    sd_bus* bus_;
    Options options_;
    std::vector<std::weak_ptr<Pending>> pending_;
};

} // namespace wirelark
