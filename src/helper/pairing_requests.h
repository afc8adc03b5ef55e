#pragma once

#include "admin/admin_error.h"
#include "admin/admin_replies.h"
#include "netcore/base/expected.h"

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wirelark {

// The one pairing request that may wait at a time, from BeginPairing until its app has fetched
// the decision or it expires. Time comes in as arguments, so that tests need no clock.
class PairingRequests {
public:
    using SteadyTime = std::chrono::steady_clock::time_point;
    using WallTime = std::chrono::system_clock::time_point;

    struct Request {
        std::string id;
        uid_t uid = 0;
        // The bus name that asked; the request goes when it leaves the bus.
        std::string creator;
        WallTime created;
        SteadyTime expires;
        // Set once an administrator has approved and the token was kept.
        std::optional<std::string> token = std::nullopt;
        bool denied = false;

        bool decided() const { return token.has_value() || denied; }
    };

    explicit PairingRequests(std::chrono::milliseconds lifetime) : lifetime_(lifetime) {}

    // The new request's id; alreadyPending while another one waits.
    Expected<std::string, AdminError> begin(uid_t uid, std::string creator, WallTime wallNow,
                                            SteadyTime now);
    // The live request with `id`: unknownRequest when there is none (or it expired), wrongUser
    // when `uid` did not ask for it.
    Expected<Request*, AdminError> find(std::string_view id, uid_t uid, SteadyTime now);
    // The same for an administrator, who may decide any user's request.
    Request* find(std::string_view id, SteadyTime now);
    // Undecided requests, for the companion app.
    std::vector<PendingPairing> undecided(SteadyTime now);

    const std::optional<Request>& current() const { return request_; }
    void drop() { request_.reset(); }

private:
    void dropExpired(SteadyTime now);

    std::chrono::milliseconds lifetime_;
    std::optional<Request> request_;
};

} // namespace wirelark
