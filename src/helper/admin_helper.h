#pragma once

#include "helper/background_jobs.h"
#include "helper/paired_tokens.h"
#include "helper/pairing_requests.h"
#include "netcore/dbus/dbus_connection.h"

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include <systemd/sd-bus.h>
#include <systemd/sd-event.h>

namespace wirelark {

// The helper on the system bus: both names, the one object with the app's and the companion
// app's interfaces. Every method answers without waiting on anyone; what takes time (polkit,
// NetworkManager, the /proc scan, the bus daemon's word on a caller) is answered when it is done.
class AdminHelper {
public:
    struct Options {
        std::string version;
        std::chrono::milliseconds pairingLifetime = std::chrono::minutes(10);
    };

    AdminHelper(sd_bus* bus, sd_event* event, PairedTokens tokens, Options options);
    ~AdminHelper();

    AdminHelper(const AdminHelper&) = delete;
    AdminHelper& operator=(const AdminHelper&) = delete;

    // Serves the object, watches callers leave and takes both names; negative errno on failure.
    int serve();

private:
    struct Awaiting {
        BusMessage call;
        std::string requestId;
    };

    static AdminHelper& of(void* userdata) { return *static_cast<AdminHelper*>(userdata); }
    static int appStatus(sd_bus_message* call, void* self, sd_bus_error* error);
    static int beginPairing(sd_bus_message* call, void* self, sd_bus_error* error);
    static int awaitPairing(sd_bus_message* call, void* self, sd_bus_error* error);
    static int setServiceEnabled(sd_bus_message* call, void* self, sd_bus_error* error);
    static int unpair(sd_bus_message* call, void* self, sd_bus_error* error);
    static int tunnelOwners(sd_bus_message* call, void* self, sd_bus_error* error);
    static int controlStatus(sd_bus_message* call, void* self, sd_bus_error* error);
    static int pendingPairings(sd_bus_message* call, void* self, sd_bus_error* error);
    // Reads the request id of a decision and hands it on while the request still waits.
    static int onOpenRequest(sd_bus_message* call, void* self, sd_bus_error* error,
                             const std::function<int(AdminHelper&, std::string)>& then);
    static int approvePairing(sd_bus_message* call, void* self, sd_bus_error* error);
    static int denyPairing(sd_bus_message* call, void* self, sd_bus_error* error);
    static int unpairAll(sd_bus_message* call, void* self, sd_bus_error* error);
    static int onNameOwnerChanged(sd_bus_message* signal, void* self, sd_bus_error* error);
    static int onExpiry(sd_event_source* source, uint64_t usec, void* self);

    static const sd_bus_vtable appVtable[];
    static const sd_bus_vtable controlVtable[];

    int replyStatus(sd_bus_message* call, std::optional<bool> paired) const;
    void begin(sd_bus_message* call, uid_t uid);
    void await(sd_bus_message* call, uid_t uid, const std::string& requestId);
    // The request `id` while it still waits for a decision, else null.
    PairingRequests::Request* openRequest(std::string_view id);
    void approve(sd_bus_message* call, const std::string& requestId, bool authorized);
    void deny(sd_bus_message* call, uid_t uid, const std::string& requestId);
    // Denies the request and answers its waiting app.
    void refuse(sd_bus_message* call, const std::string& requestId);
    // Answers every waiting AwaitPairing of the current request once it is decided, and then
    // forgets the request.
    void settle();
    // Ends the current request unanswered: its waiting callers learn that it has expired.
    void endRequest();
    void armExpiry();
    // Asks polkit whether the caller may pair; `then` gets the call and the verdict.
    int authorize(sd_bus_message* call, std::function<void(sd_bus_message*, bool)> then);
    // Runs blocking work off the loop; the call is refused when too much is running already.
    int startJob(sd_bus_message* call, std::function<std::function<void()>()> work);

    sd_bus* bus_;
    sd_event* event_;
    PairedTokens tokens_;
    Options options_;
    PairingRequests requests_;
    BackgroundJobs jobs_;
    std::vector<Awaiting> awaiting_;
    BusSlot nameWatch_;
    std::vector<BusSlot> objects_;
    sd_event_source* expiry_ = nullptr;
};

} // namespace wirelark
