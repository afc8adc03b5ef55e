#include "admin/admin_app_calls.h"

#include "admin/admin_bus_error.h"
#include "netcore/base/once.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace wirelark {

BusError adminBusError(AdminError error) {
    return {busErrorName(error), std::string(description(error))};
}

std::string failureText(const BusError& error) {
    if (const auto adminError = adminErrorFromBusErrorName(error.name)) {
        return std::string(description(*adminError));
    }
    return error.message.empty() ? error.name : error.message;
}

// One call in flight, shared by its sd-bus slot and the list of waiting calls.
struct AdminAppCalls::Pending {
    Once once;
    ReplyHandler onReply;

    void complete(const Expected<sd_bus_message*, BusError>& outcome) {
        once.run([&] { onReply(outcome); });
    }
    void drop() {
        once.run([] {});
    }
};

namespace {

BusError errnoError(int result) {
    return {"errno", std::strerror(-result)};
}

// A reply of one string, where an empty one means `missing`.
Expected<std::string, BusError> readText(const Expected<sd_bus_message*, BusError>& reply,
                                         AdminError missing) {
    if (!reply) {
        return Unexpected(reply.error());
    }
    const char* text = nullptr;
    if (sd_bus_message_read(*reply, "s", &text) < 0 || text == nullptr || *text == '\0') {
        return Unexpected(adminBusError(missing));
    }
    return std::string(text);
}

Expected<void, BusError> readEmpty(const Expected<sd_bus_message*, BusError>& reply) {
    if (!reply) {
        return Unexpected(reply.error());
    }
    return {};
}

} // namespace

int AdminAppCalls::deliverReply(sd_bus_message* reply, void* userdata, sd_bus_error*) {
    auto& pending = *static_cast<std::shared_ptr<Pending>*>(userdata);
    if (const sd_bus_error* error = sd_bus_message_get_error(reply)) {
        pending->complete(Unexpected(BusError{error->name != nullptr ? error->name : "",
                                              error->message != nullptr ? error->message : ""}));
    } else {
        pending->complete(reply);
    }
    return 1;
}

void AdminAppCalls::releasePending(void* userdata) {
    delete static_cast<std::shared_ptr<Pending>*>(userdata);
}

AdminAppCalls::AdminAppCalls(sd_bus* bus, Options options)
    : bus_(bus), options_(std::move(options)) {}

AdminAppCalls::~AdminAppCalls() {
    for (const auto& weak : pending_) {
        if (const auto pending = weak.lock()) {
            pending->drop();
        }
    }
}

void AdminAppCalls::reachHelper(Done<void> done) {
    // Every sd-bus peer answers pings itself, whatever objects it serves.
    sendTo(
        {options_.busName.c_str(), AdminBus::objectPath, "org.freedesktop.DBus.Peer", "Ping"}, 0,
        [](sd_bus_message*) { return 0; },
        [done = std::move(done)](const Expected<sd_bus_message*, BusError>& reply) {
            done(readEmpty(reply));
        });
}

void AdminAppCalls::status(const std::optional<std::string>& token, Done<AdminStatus> done) {
    send(
        AdminBus::App::status, 0,
        [&token](sd_bus_message* call) {
            return sd_bus_message_append(call, "sb", token ? token->c_str() : "",
                                         token.has_value());
        },
        [done = std::move(done)](const Expected<sd_bus_message*, BusError>& reply) {
            if (!reply) {
                done(Unexpected(reply.error()));
            } else {
                done(readStatus(*reply));
            }
        });
}

void AdminAppCalls::beginPairing(Done<std::string> done) {
    send(
        AdminBus::App::beginPairing, 0, [](sd_bus_message*) { return 0; },
        [done = std::move(done)](const Expected<sd_bus_message*, BusError>& reply) {
            done(readText(reply, AdminError::unknownRequest));
        });
}

void AdminAppCalls::awaitPairing(const std::string& requestID, Done<std::string> done) {
    send(
        AdminBus::App::awaitPairing, AdminBus::awaitPairingTimeout,
        [&requestID](sd_bus_message* call) {
            return sd_bus_message_append(call, "s", requestID.c_str());
        },
        [done = std::move(done)](const Expected<sd_bus_message*, BusError>& reply) {
            done(readText(reply, AdminError::authorizationFailed));
        });
}

void AdminAppCalls::setServiceEnabled(const std::string& serviceID, bool enabled,
                                      const std::string& token, Done<void> done) {
    send(
        AdminBus::App::setServiceEnabled, 0,
        [&](sd_bus_message* call) {
            return sd_bus_message_append(call, "sbs", serviceID.c_str(), enabled, token.c_str());
        },
        [done = std::move(done)](const Expected<sd_bus_message*, BusError>& reply) {
            done(readEmpty(reply));
        });
}

void AdminAppCalls::unpair(const std::string& token, Done<void> done) {
    send(
        AdminBus::App::unpair, 0,
        [&token](sd_bus_message* call) { return sd_bus_message_append(call, "s", token.c_str()); },
        [done = std::move(done)](const Expected<sd_bus_message*, BusError>& reply) {
            done(readEmpty(reply));
        });
}

void AdminAppCalls::tunnelOwners(Done<std::map<std::string, TunnelOwner>> done) {
    send(
        AdminBus::App::tunnelOwners, 0, [](sd_bus_message*) { return 0; },
        [done = std::move(done)](const Expected<sd_bus_message*, BusError>& reply) {
            if (!reply) {
                done(Unexpected(reply.error()));
            } else {
                done(readTunnelOwners(*reply));
            }
        });
}

void AdminAppCalls::failPending(const BusError& error) {
    // Completions may send new calls, which join a fresh list.
    const auto waiting = std::exchange(pending_, {});
    for (const auto& weak : waiting) {
        if (const auto pending = weak.lock()) {
            pending->complete(Unexpected(error));
        }
    }
}

void AdminAppCalls::send(const AdminBus::Method& method, uint64_t timeoutUsec,
                         const std::function<int(sd_bus_message*)>& appendArguments,
                         ReplyHandler onReply) {
    sendTo({options_.busName.c_str(), AdminBus::objectPath, AdminBus::appInterface, method.name},
           timeoutUsec, appendArguments, std::move(onReply));
}

void AdminAppCalls::sendTo(const Target& target, uint64_t timeoutUsec,
                           const std::function<int(sd_bus_message*)>& appendArguments,
                           ReplyHandler onReply) {
    auto pending = std::make_shared<Pending>();
    pending->onReply = std::move(onReply);
    std::erase_if(pending_, [](const auto& weak) { return weak.expired(); });

    sd_bus_message* raw = nullptr;
    int result = sd_bus_message_new_method_call(bus_, &raw, target.destination, target.path,
                                                target.interface, target.member);
    const BusMessage call(raw);
    if (result >= 0) {
        result = appendArguments(call.get());
    }
    sd_bus_slot* slot = nullptr;
    if (result >= 0) {
        const uint64_t timeout =
            timeoutUsec != 0 ? timeoutUsec : static_cast<uint64_t>(options_.timeout.count());
        result = sd_bus_call_async(bus_, &slot, call.get(), deliverReply, nullptr, timeout);
    }
    if (result < 0) {
        pending->complete(Unexpected(errnoError(result)));
        return;
    }
    // The slot belongs to the connection from now on and frees its share of the call with
    // itself, after the reply or when the connection goes.
    sd_bus_slot_set_userdata(slot, new std::shared_ptr<Pending>(pending));
    sd_bus_slot_set_destroy_callback(slot, releasePending);
    sd_bus_slot_set_floating(slot, 1);
    sd_bus_slot_unref(slot);
    pending_.push_back(pending);
    if (options_.queued) {
        options_.queued();
    }
}

} // namespace wirelark
