#include "companion/admin_control_client.h"

#include <QTimer>

#include <cstring>

namespace wirelark {

namespace {

using namespace std::chrono_literals;

// Status and the list answer at once unless the helper is stuck.
constexpr auto kQueryTimeout = 10s;
// An administrator typing a password; polkit gives up on its own well before this.
constexpr auto kAuthorizationTimeout = 10min;

BusError disconnectedError() {
    return {"org.freedesktop.DBus.Error.Disconnected", "The system bus connection is gone"};
}

Expected<void, BusError> withoutValue(BusReply reply) {
    if (!reply) {
        return Unexpected(std::move(reply).error());
    }
    return {};
}

// Hands `done` the reply read with `read`, or the call's error.
template <typename T>
std::function<void(BusReply)> decodedWith(T (*read)(sd_bus_message*),
                                          std::function<void(Expected<T, BusError>)> done) {
    return [read, done = std::move(done)](BusReply reply) {
        if (!reply) {
            done(Unexpected(std::move(reply).error()));
        } else {
            done(read(reply->get()));
        }
    };
}

int appendNoAuthorization(sd_bus_message* message) {
    // polkit decides on the helper's side; the bytes stay empty.
    return sd_bus_message_append_array(message, 'y', nullptr, 0);
}

} // namespace

struct AdminControlClient::OpenCall {
    AdminControlClient* client;
    uint64_t key;
    BusSlot slot;
    std::function<void(BusReply)> done;
};

AdminControlClient::AdminControlClient(QtBusDispatcher* systemBus, std::string controlBusName,
                                       QObject* parent)
    : QObject(parent), bus_(systemBus), controlBusName_(std::move(controlBusName)) {
    if (bus_ != nullptr) {
        connect(bus_, &QtBusDispatcher::disconnected, this, &AdminControlClient::failOpenCalls);
    }
}

// Releasing the slots cancels the calls still open, so no reply reaches a client that is gone.
AdminControlClient::~AdminControlClient() = default;

void AdminControlClient::status(Done<AdminStatus> done) {
    call(AdminBus::Control::status, nullptr, kQueryTimeout,
         decodedWith(readStatus, std::move(done)));
}

void AdminControlClient::pendingPairings(Done<std::vector<PendingPairing>> done) {
    call(AdminBus::Control::pendingPairings, nullptr, kQueryTimeout,
         decodedWith(readPendingPairings, std::move(done)));
}

void AdminControlClient::approvePairing(const std::string& requestID, ActionDone done) {
    call(
        AdminBus::Control::approvePairing,
        [&requestID](sd_bus_message* message) {
            const int r = sd_bus_message_append_basic(message, 's', requestID.c_str());
            return r < 0 ? r : appendNoAuthorization(message);
        },
        kAuthorizationTimeout,
        [done = std::move(done)](BusReply reply) { done(withoutValue(std::move(reply))); });
}

void AdminControlClient::denyPairing(const std::string& requestID, ActionDone done) {
    call(
        AdminBus::Control::denyPairing,
        [&requestID](sd_bus_message* message) {
            return sd_bus_message_append_basic(message, 's', requestID.c_str());
        },
        kQueryTimeout,
        [done = std::move(done)](BusReply reply) { done(withoutValue(std::move(reply))); });
}

void AdminControlClient::unpairAll(ActionDone done) {
    call(AdminBus::Control::unpairAll, appendNoAuthorization, kAuthorizationTimeout,
         [done = std::move(done)](BusReply reply) { done(withoutValue(std::move(reply))); });
}

void AdminControlClient::call(const AdminBus::Method& method, const Append& append,
                              std::chrono::microseconds timeout,
                              std::function<void(BusReply)> done) {
    if (bus_ == nullptr || !bus_->isConnected()) {
        failSoon(std::move(done), disconnectedError());
        return;
    }
    BusMessage message = bus_->bus().newMethodCall(controlBusName_.c_str(), AdminBus::objectPath,
                                                   AdminBus::controlInterface, method.name);
    int result = message ? 0 : -EINVAL;
    if (result >= 0 && append) {
        result = append(message.get());
    }
    const uint64_t key = nextCall_++;
    auto open = std::make_unique<OpenCall>(OpenCall{this, key, nullptr, std::move(done)});
    sd_bus_slot* slot = nullptr;
    if (result >= 0) {
        result = sd_bus_call_async(bus_->bus().get(), &slot, message.get(), &onReply, open.get(),
                                   static_cast<uint64_t>(timeout.count()));
    }
    if (result < 0) {
        failSoon(std::move(open->done), BusError{"errno", std::strerror(-result)});
        return;
    }
    open->slot.reset(slot);
    openCalls_.emplace(key, std::move(open));
    bus_->flushSoon();
}

// Never inside the call itself, so that a caller is not re-entered before the call returns.
void AdminControlClient::failSoon(std::function<void(BusReply)> done, BusError error) {
    QTimer::singleShot(
        0, this, [done = std::move(done), error = std::move(error)] { done(Unexpected(error)); });
}

void AdminControlClient::failOpenCalls() {
    auto open = std::move(openCalls_);
    openCalls_.clear();
    for (auto& [key, call] : open) {
        call->slot.reset();
        failSoon(std::move(call->done), disconnectedError());
    }
}

int AdminControlClient::onReply(sd_bus_message* reply, void* userdata, sd_bus_error*) {
    auto& open = *static_cast<OpenCall*>(userdata);
    AdminControlClient& client = *open.client;
    // sd-bus holds the slot for the duration of this callback, so the call may go now.
    auto node = client.openCalls_.extract(open.key);
    const std::function<void(BusReply)> done = std::move(node.mapped()->done);
    if (const sd_bus_error* error = sd_bus_message_get_error(reply)) {
        done(Unexpected(
            BusError{error->name ? error->name : "error", error->message ? error->message : ""}));
    } else {
        done(BusMessage(sd_bus_message_ref(reply)));
    }
    return 1;
}

} // namespace wirelark
