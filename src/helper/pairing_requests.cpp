#include "helper/pairing_requests.h"

#include "admin/token_digest.h"

namespace wirelark {

Expected<std::string, AdminError> PairingRequests::begin(uid_t uid, std::string creator,
                                                         WallTime wallNow, SteadyTime now) {
    dropExpired(now);
    if (request_) {
        return Unexpected(AdminError::alreadyPending);
    }
    // Ids need no secrecy, but a random one cannot be guessed from the last.
    auto id = TokenDigest::generateToken();
    if (!id) {
        return Unexpected(AdminError::unknownRequest);
    }
    request_ = Request{.id = *id,
                       .uid = uid,
                       .creator = std::move(creator),
                       .created = wallNow,
                       .expires = now + lifetime_};
    return *id;
}

Expected<PairingRequests::Request*, AdminError> PairingRequests::find(std::string_view id,
                                                                      uid_t uid, SteadyTime now) {
    Request* request = find(id, now);
    if (!request) {
        return Unexpected(AdminError::unknownRequest);
    }
    if (request->uid != uid) {
        return Unexpected(AdminError::wrongUser);
    }
    return request;
}

PairingRequests::Request* PairingRequests::find(std::string_view id, SteadyTime now) {
    dropExpired(now);
    return request_ && request_->id == id ? &*request_ : nullptr;
}

std::vector<PendingPairing> PairingRequests::undecided(SteadyTime now) {
    dropExpired(now);
    if (!request_ || request_->decided()) {
        return {};
    }
    return {{.id = request_->id,
             .created = std::chrono::floor<std::chrono::seconds>(request_->created),
             .uid = request_->uid}};
}

void PairingRequests::dropExpired(SteadyTime now) {
    if (request_ && request_->expires <= now) {
        request_.reset();
    }
}

} // namespace wirelark
