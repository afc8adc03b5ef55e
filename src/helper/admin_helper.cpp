#include "helper/admin_helper.h"

#include "admin/admin_bus.h"
#include "admin/admin_bus_error.h"
#include "admin/admin_constants.h"
#include "admin/admin_replies.h"
#include "helper/caller_uid.h"
#include "helper/network_switch.h"
#include "helper/polkit_authority.h"
#include "netcore/sysconfig/tunnel_owners.h"

#include <algorithm>
#include <memory>

namespace wirelark {

namespace {

using namespace std::chrono_literals;

// No token, request id or profile uuid is anywhere near this long; longer ones are refused
// before any work is done on them.
constexpr size_t kMaxArgumentLength = 256;
// Callers waiting on the one request at once, and blocking jobs at once.
constexpr size_t kMaxAwaiting = 16;
constexpr size_t kMaxJobs = 8;
// NetworkManager answers within seconds or not at all.
constexpr auto kNetworkManagerBudget = 25s;

using Shared = std::shared_ptr<sd_bus_message>;

Shared share(sd_bus_message* call) {
    return {sd_bus_message_ref(call), sd_bus_message_unref};
}

void replyError(sd_bus_message* call, AdminError error) {
    sd_bus_error busError = SD_BUS_ERROR_NULL;
    setBusError(&busError, error);
    sd_bus_reply_method_error(call, &busError);
    sd_bus_error_free(&busError);
}

template <typename Append>
void replyWith(sd_bus_message* call, Append append) {
    sd_bus_message* raw = nullptr;
    if (sd_bus_message_new_method_return(call, &raw) < 0) {
        return;
    }
    const BusMessage reply(raw);
    if (append(reply.get()) >= 0) {
        sd_bus_send(nullptr, reply.get(), nullptr);
    }
}

// What a method handler returns for a call it answers later: sd-bus takes 0 as "not mine" and
// would answer UnknownMethod.
int answeredLater(int sent) {
    return sent < 0 ? sent : 1;
}

bool tooLong(const char* argument) {
    return std::string_view(argument).size() > kMaxArgumentLength;
}

} // namespace

const sd_bus_vtable AdminHelper::appVtable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD(AdminBus::App::status.name, AdminBus::App::status.arguments,
                  AdminBus::App::status.reply, appStatus, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD(AdminBus::App::beginPairing.name, AdminBus::App::beginPairing.arguments,
                  AdminBus::App::beginPairing.reply, beginPairing, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD(AdminBus::App::awaitPairing.name, AdminBus::App::awaitPairing.arguments,
                  AdminBus::App::awaitPairing.reply, awaitPairing, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD(AdminBus::App::setServiceEnabled.name, AdminBus::App::setServiceEnabled.arguments,
                  AdminBus::App::setServiceEnabled.reply, setServiceEnabled,
                  SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD(AdminBus::App::unpair.name, AdminBus::App::unpair.arguments,
                  AdminBus::App::unpair.reply, unpair, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD(AdminBus::App::tunnelOwners.name, AdminBus::App::tunnelOwners.arguments,
                  AdminBus::App::tunnelOwners.reply, tunnelOwners, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_VTABLE_END,
};

const sd_bus_vtable AdminHelper::controlVtable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD(AdminBus::Control::status.name, AdminBus::Control::status.arguments,
                  AdminBus::Control::status.reply, controlStatus, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD(
        AdminBus::Control::pendingPairings.name, AdminBus::Control::pendingPairings.arguments,
        AdminBus::Control::pendingPairings.reply, pendingPairings, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD(
        AdminBus::Control::approvePairing.name, AdminBus::Control::approvePairing.arguments,
        AdminBus::Control::approvePairing.reply, approvePairing, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD(AdminBus::Control::denyPairing.name, AdminBus::Control::denyPairing.arguments,
                  AdminBus::Control::denyPairing.reply, denyPairing, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD(AdminBus::Control::unpairAll.name, AdminBus::Control::unpairAll.arguments,
                  AdminBus::Control::unpairAll.reply, unpairAll, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_VTABLE_END,
};

AdminHelper::AdminHelper(sd_bus* bus, sd_event* event, PairedTokens tokens, Options options)
    : bus_(bus), event_(event), tokens_(std::move(tokens)), options_(std::move(options)),
      requests_(options_.pairingLifetime), jobs_(event, kMaxJobs) {}

AdminHelper::~AdminHelper() {
    sd_event_source_disable_unref(expiry_);
}

int AdminHelper::serve() {
    const AdminTeamNames& names = AdminTeamNames::configured();
    sd_bus_slot* watch = nullptr;
    sd_bus_slot* app = nullptr;
    sd_bus_slot* control = nullptr;
    int r = jobs_.ready() ? 0 : -ENOMEM;
    r = r < 0 ? r
              : sd_bus_match_signal(bus_, &watch, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                    "org.freedesktop.DBus", "NameOwnerChanged", onNameOwnerChanged,
                                    this);
    nameWatch_.reset(watch);
    r = r < 0 ? r
              : sd_bus_add_object_vtable(bus_, &app, AdminBus::objectPath, AdminBus::appInterface,
                                         appVtable, this);
    objects_.emplace_back(app);
    r = r < 0 ? r
              : sd_bus_add_object_vtable(bus_, &control, AdminBus::objectPath,
                                         AdminBus::controlInterface, controlVtable, this);
    objects_.emplace_back(control);
    r = r < 0 ? r : sd_bus_request_name(bus_, names.busName.c_str(), 0);
    return r < 0 ? r : sd_bus_request_name(bus_, names.controlBusName.c_str(), 0);
}

int AdminHelper::replyStatus(sd_bus_message* call, std::optional<bool> paired) const {
    replyWith(call, [&](sd_bus_message* reply) {
        return appendStatus(reply, {.version = options_.version,
                                    .protocol = AdminConstants::protocolVersion,
                                    .paired = paired});
    });
    return 1;
}

int AdminHelper::appStatus(sd_bus_message* call, void* self, sd_bus_error*) {
    const char* token = nullptr;
    int hasToken = 0;
    if (const int r = sd_bus_message_read(call, "sb", &token, &hasToken); r < 0) {
        return r;
    }
    const bool paired = hasToken && !tooLong(token) && of(self).tokens_.knows(token);
    return of(self).replyStatus(call, paired);
}

int AdminHelper::controlStatus(sd_bus_message* call, void* self, sd_bus_error*) {
    return of(self).replyStatus(call, std::nullopt);
}

int AdminHelper::beginPairing(sd_bus_message* call, void* self, sd_bus_error*) {
    return answeredLater(withCallerUid(
        call, [&helper = of(self)](sd_bus_message* c, uid_t uid) { helper.begin(c, uid); }));
}

void AdminHelper::begin(sd_bus_message* call, uid_t uid) {
    const auto id =
        requests_.begin(uid, sd_bus_message_get_sender(call), std::chrono::system_clock::now(),
                        std::chrono::steady_clock::now());
    if (!id) {
        replyError(call, id.error());
        return;
    }
    armExpiry();
    sd_bus_reply_method_return(call, "s", id->c_str());
}

int AdminHelper::awaitPairing(sd_bus_message* call, void* self, sd_bus_error* error) {
    const char* id = nullptr;
    if (const int r = sd_bus_message_read(call, "s", &id); r < 0) {
        return r;
    }
    if (tooLong(id)) {
        return setBusError(error, AdminError::unknownRequest);
    }
    if (of(self).awaiting_.size() >= kMaxAwaiting) {
        return sd_bus_error_set(error, SD_BUS_ERROR_LIMITS_EXCEEDED, "Too many callers waiting");
    }
    return answeredLater(withCallerUid(
        call, [&helper = of(self), requestId = std::string(id)](sd_bus_message* c, uid_t uid) {
            helper.await(c, uid, requestId);
        }));
}

void AdminHelper::await(sd_bus_message* call, uid_t uid, const std::string& id) {
    const auto request = requests_.find(id, uid, std::chrono::steady_clock::now());
    if (!request) {
        replyError(call, request.error());
        return;
    }
    awaiting_.push_back({BusMessage(sd_bus_message_ref(call)), id});
    settle();
}

void AdminHelper::settle() {
    const auto& request = requests_.current();
    if (!request || !request->decided()) {
        return;
    }
    bool answered = false;
    std::erase_if(awaiting_, [&](const Awaiting& waiting) {
        if (waiting.requestId != request->id) {
            return false;
        }
        if (request->token) {
            sd_bus_reply_method_return(waiting.call.get(), "s", request->token->c_str());
        } else {
            replyError(waiting.call.get(), AdminError::authorizationFailed);
        }
        answered = true;
        return true;
    });
    // A decision made before the app asked waits for it until the request expires.
    if (answered) {
        requests_.drop();
    }
}

void AdminHelper::endRequest() {
    std::erase_if(awaiting_, [&](const Awaiting& waiting) {
        replyError(waiting.call.get(), AdminError::unknownRequest);
        return true;
    });
    requests_.drop();
}

void AdminHelper::armExpiry() {
    sd_event_source_disable_unref(expiry_);
    expiry_ = nullptr;
    const auto lifetime =
        std::chrono::duration_cast<std::chrono::microseconds>(options_.pairingLifetime);
    sd_event_add_time_relative(event_, &expiry_, CLOCK_MONOTONIC,
                               static_cast<uint64_t>(lifetime.count()), 0, onExpiry, this);
}

int AdminHelper::onExpiry(sd_event_source*, uint64_t, void* self) {
    auto& helper = of(self);
    const auto& request = helper.requests_.current();
    if (request && request->expires <= std::chrono::steady_clock::now()) {
        helper.endRequest();
    }
    return 0;
}

int AdminHelper::onNameOwnerChanged(sd_bus_message* signal, void* self, sd_bus_error*) {
    const char* name = nullptr;
    const char* oldOwner = nullptr;
    const char* newOwner = nullptr;
    if (sd_bus_message_read(signal, "sss", &name, &oldOwner, &newOwner) < 0 || *newOwner != '\0' ||
        *name != ':') {
        return 0;
    }
    auto& helper = of(self);
    // Its waiting calls can no longer be answered, and a request it made no longer be fetched.
    std::erase_if(helper.awaiting_, [&](const Awaiting& waiting) {
        return std::string_view(sd_bus_message_get_sender(waiting.call.get())) == name;
    });
    const auto& request = helper.requests_.current();
    if (request && request->creator == name) {
        helper.endRequest();
    }
    return 0;
}

int AdminHelper::setServiceEnabled(sd_bus_message* call, void* self, sd_bus_error* error) {
    const char* service = nullptr;
    int enabled = 0;
    const char* token = nullptr;
    if (const int r = sd_bus_message_read(call, "sbs", &service, &enabled, &token); r < 0) {
        return r;
    }
    if (tooLong(token) || !of(self).tokens_.knows(token)) {
        return setBusError(error, AdminError::notPaired);
    }
    if (tooLong(service) || *service == '\0') {
        return setBusError(error, AdminError::unknownService);
    }
    return of(self).startJob(
        call, [call = share(call), uuid = std::string(service), on = enabled != 0] {
            const auto bus = DbusConnection::openSystem();
            const auto done =
                bus ? switchProfile(*bus, uuid, on, kNetworkManagerBudget)
                    : Expected<void, AdminError>(Unexpected(AdminError::configurationFailed));
            return std::function<void()>([call, done] {
                if (done) {
                    sd_bus_reply_method_return(call.get(), "");
                } else {
                    replyError(call.get(), done.error());
                }
            });
        });
}

int AdminHelper::tunnelOwners(sd_bus_message* call, void* self, sd_bus_error*) {
    return of(self).startJob(call, [call = share(call)] {
        return std::function<void()>([call, owners = TunnelOwners().scan()] {
            replyWith(call.get(),
                      [&](sd_bus_message* reply) { return appendTunnelOwners(reply, owners); });
        });
    });
}

int AdminHelper::startJob(sd_bus_message* call, std::function<std::function<void()>()> work) {
    if (!jobs_.start(std::move(work))) {
        return sd_bus_reply_method_errorf(call, SD_BUS_ERROR_LIMITS_EXCEEDED,
                                          "Too many requests at once");
    }
    return 1;
}

int AdminHelper::unpair(sd_bus_message* call, void* self, sd_bus_error* error) {
    const char* token = nullptr;
    if (const int r = sd_bus_message_read(call, "s", &token); r < 0) {
        return r;
    }
    // An unknown token is as unpaired afterwards as a known one.
    if (tooLong(token)) {
        return sd_bus_reply_method_return(call, "");
    }
    if (const auto failed = of(self).tokens_.forget(token)) {
        return sd_bus_error_setf(error, SD_BUS_ERROR_FAILED, "Cannot save the pairings: %s",
                                 failed.message().c_str());
    }
    return sd_bus_reply_method_return(call, "");
}

int AdminHelper::pendingPairings(sd_bus_message* call, void* self, sd_bus_error*) {
    const auto pending = of(self).requests_.undecided(std::chrono::steady_clock::now());
    replyWith(call, [&](sd_bus_message* reply) { return appendPendingPairings(reply, pending); });
    return 1;
}

int AdminHelper::authorize(sd_bus_message* call, std::function<void(sd_bus_message*, bool)> then) {
    return answeredLater(
        checkAuthorization(bus_, sd_bus_message_get_sender(call), AdminConstants::pairingName,
                           [call = share(call), then = std::move(then)](bool authorized) {
                               then(call.get(), authorized);
                           }));
}

int AdminHelper::onOpenRequest(sd_bus_message* call, void* self, sd_bus_error* error,
                               const std::function<int(AdminHelper&, std::string)>& then) {
    const char* id = nullptr;
    if (const int r = sd_bus_message_read(call, "s", &id); r < 0) {
        return r;
    }
    auto& helper = of(self);
    if (!helper.openRequest(id)) {
        return setBusError(error, AdminError::unknownRequest);
    }
    return then(helper, id);
}

int AdminHelper::approvePairing(sd_bus_message* call, void* self, sd_bus_error* error) {
    return onOpenRequest(call, self, error, [call](AdminHelper& helper, std::string requestId) {
        return helper.authorize(call, [&helper, requestId](sd_bus_message* c, bool authorized) {
            helper.approve(c, requestId, authorized);
        });
    });
}

PairingRequests::Request* AdminHelper::openRequest(std::string_view id) {
    auto* request = requests_.find(id, std::chrono::steady_clock::now());
    return request && !request->decided() ? request : nullptr;
}

void AdminHelper::approve(sd_bus_message* call, const std::string& requestId, bool authorized) {
    // Someone without a polkit agent, or who dismissed the dialog, must not end another
    // user's request: it keeps waiting for an administrator.
    if (!authorized) {
        replyError(call, AdminError::authorizationFailed);
        return;
    }
    auto* request = openRequest(requestId);
    if (!request) {
        replyError(call, AdminError::unknownRequest);
        return;
    }
    auto token = tokens_.pair();
    if (!token) {
        // The request stays open: the administrator may try again.
        sd_bus_reply_method_errorf(call, SD_BUS_ERROR_FAILED, "Cannot save the pairings: %s",
                                   token.error().message().c_str());
        return;
    }
    request->token = std::move(*token);
    settle();
    sd_bus_reply_method_return(call, "");
}

int AdminHelper::denyPairing(sd_bus_message* call, void* self, sd_bus_error* error) {
    return onOpenRequest(call, self, error, [call](AdminHelper& helper, std::string requestId) {
        return answeredLater(
            withCallerUid(call, [&helper, requestId](sd_bus_message* c, uid_t uid) {
                helper.deny(c, uid, requestId);
            }));
    });
}

void AdminHelper::deny(sd_bus_message* call, uid_t uid, const std::string& requestId) {
    const auto* request = openRequest(requestId);
    if (!request) {
        replyError(call, AdminError::unknownRequest);
        return;
    }
    // Anyone may withdraw their own request; ending another user's takes an administrator.
    if (request->uid == uid) {
        refuse(call, requestId);
        return;
    }
    const int asked = authorize(call, [this, requestId](sd_bus_message* c, bool authorized) {
        if (authorized) {
            refuse(c, requestId);
        } else {
            replyError(c, AdminError::authorizationFailed);
        }
    });
    if (asked < 0) {
        sd_bus_reply_method_errno(call, -asked, nullptr);
    }
}

void AdminHelper::refuse(sd_bus_message* call, const std::string& requestId) {
    auto* request = openRequest(requestId);
    if (!request) {
        replyError(call, AdminError::unknownRequest);
        return;
    }
    request->denied = true;
    settle();
    sd_bus_reply_method_return(call, "");
}

int AdminHelper::unpairAll(sd_bus_message* call, void* self, sd_bus_error*) {
    auto& helper = of(self);
    return helper.authorize(call, [&helper](sd_bus_message* c, bool authorized) {
        if (!authorized) {
            replyError(c, AdminError::authorizationFailed);
        } else if (const auto failed = helper.tokens_.forgetAll()) {
            sd_bus_reply_method_errorf(c, SD_BUS_ERROR_FAILED, "Cannot save the pairings: %s",
                                       failed.message().c_str());
        } else {
            sd_bus_reply_method_return(c, "");
        }
    });
}

} // namespace wirelark
