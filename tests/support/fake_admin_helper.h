#pragma once

#include "admin/bus_dictionary.h"
#include "bus_thread.h"

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <systemd/sd-bus.h>

namespace wirelark::testing {

// What the fake helper answers; the test may change it while the helper runs.
struct FakeAdminHelperScript {
    // The status dictionary without "paired", which follows the token sent.
    BusDictionary status{{"version", std::string("1.2")}, {"protocol", int32_t{1}}};
    // Tokens the helper knows.
    std::set<std::string> tokens = {};
    // BeginPairing's request id ("" sends an empty id) and AwaitPairing's token.
    std::string requestID = "request-1";
    std::string pairingToken = "token-1";
    // Sent instead of a reply, by method.
    std::map<std::string, std::string> errors = {};
    // Methods whose calls are kept unanswered until release().
    std::set<std::string> held = {};
    // TunnelOwners' reply.
    std::vector<BusDictionary> tunnelOwners = {};
};

// One call the helper received: the method and its arguments' texts ("token", "true"...).
struct FakeAdminCall {
    std::string method;
    std::vector<std::string> arguments;
};

// The app's side of the admin helper on a private bus, from a thread of its own: owns the
// helper's bus name and answers from a script.
class FakeAdminHelper {
public:
    FakeAdminHelper(const std::string& busAddress, const std::string& busName,
                    FakeAdminHelperScript script);
    ~FakeAdminHelper();

    bool ready() const { return thread_->ready(); }
    void change(const std::function<void(FakeAdminHelperScript&)>& edit);
    std::vector<FakeAdminCall> calls() const;
    // How many calls of `method` arrived.
    size_t count(const std::string& method) const;
    // Answers the held calls of `method` as the script says now.
    void release(const std::string& method);

    // For the method handlers on the helper's thread.
    int handle(sd_bus_message* call);

private:
    int answer(sd_bus_message* call, const FakeAdminCall& received);

    std::string busName_;
    mutable std::mutex lock_;
    FakeAdminHelperScript script_;
    std::vector<FakeAdminCall> calls_;
    std::vector<std::pair<sd_bus_message*, FakeAdminCall>> heldCalls_;
    std::unique_ptr<BusThread> thread_;
};

} // namespace wirelark::testing
