#include "admin_test_client.h"

#include "admin/admin_constants.h"

namespace wirelark::testing {

namespace {

using namespace std::chrono_literals;

// Every call but AwaitPairing is answered at once; the bound only ends a hung test.
constexpr auto kTimeout = 30s;

BusError errorOf(int r) {
    return {"errno", std::to_string(-r)};
}

Expected<void, BusError> nothing(const BusReply& reply) {
    if (!reply) {
        return Unexpected(reply.error());
    }
    return {};
}

Expected<std::string, BusError> text(const BusReply& reply) {
    if (!reply) {
        return Unexpected(reply.error());
    }
    const char* value = nullptr;
    if (const int r = sd_bus_message_read(reply->get(), "s", &value); r < 0) {
        return Unexpected(errorOf(r));
    }
    return std::string(value);
}

template <typename Read>
auto decoded(const BusReply& reply, Read read) -> Expected<decltype(read(nullptr)), BusError> {
    if (!reply) {
        return Unexpected(reply.error());
    }
    return read(reply->get());
}

} // namespace

std::string AdminTestClient::uniqueName() const {
    const char* name = nullptr;
    return sd_bus_get_unique_name(bus_.get(), &name) >= 0 ? name : "";
}

bool AdminTestClient::nameHasOwner(const std::string& name) const {
    const BusMessage call = bus_.newMethodCall("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                               "org.freedesktop.DBus", "NameHasOwner");
    int owned = 0;
    if (!call || sd_bus_message_append(call.get(), "s", name.c_str()) < 0) {
        return false;
    }
    const BusReply reply = send(call);
    return reply && sd_bus_message_read(reply->get(), "b", &owned) > 0 && owned;
}

int AdminTestClient::requestName(const std::string& name) const {
    return sd_bus_request_name(bus_.get(), name.c_str(), 0);
}

BusMessage AdminTestClient::newCall(bool control, const AdminBus::Method& method) const {
    const auto& names = AdminTeamNames::configured();
    return bus_.newMethodCall(
        control ? names.controlBusName.c_str() : names.busName.c_str(), AdminBus::objectPath,
        control ? AdminBus::controlInterface : AdminBus::appInterface, method.name);
}

BusReply AdminTestClient::send(const BusMessage& call) const {
    return bus_.call(call.get(), kTimeout);
}

Expected<AdminStatus, BusError>
AdminTestClient::status(const std::optional<std::string>& token) const {
    const BusMessage call = newCall(false, AdminBus::App::status);
    sd_bus_message_append(call.get(), "sb", token.value_or("").c_str(), token.has_value());
    return decoded(send(call), readStatus);
}

Expected<std::string, BusError> AdminTestClient::beginPairing() const {
    return text(send(newCall(false, AdminBus::App::beginPairing)));
}

void AdminTestClient::startAwait(const std::string& requestId) {
    const BusMessage call = newCall(false, AdminBus::App::awaitPairing);
    sd_bus_message_append(call.get(), "s", requestId.c_str());
    awaitReply_.reset();
    sd_bus_slot* slot = nullptr;
    sd_bus_call_async(
        bus_.get(), &slot, call.get(),
        [](sd_bus_message* reply, void* self, sd_bus_error*) {
            auto& client = *static_cast<AdminTestClient*>(self);
            if (const sd_bus_error* error = sd_bus_message_get_error(reply)) {
                client.awaitReply_ = Unexpected(BusError{error->name, error->message});
            } else {
                client.awaitReply_ = BusMessage(sd_bus_message_ref(reply));
            }
            return 0;
        },
        this, AdminBus::awaitPairingTimeout);
    awaiting_.reset(slot);
    sd_bus_flush(bus_.get());
}

Expected<std::string, BusError> AdminTestClient::finishAwait() {
    const auto deadline = std::chrono::steady_clock::now() + kTimeout;
    while (!awaitReply_ && std::chrono::steady_clock::now() < deadline) {
        if (sd_bus_process(bus_.get(), nullptr) == 0) {
            sd_bus_wait(bus_.get(), 100000);
        }
    }
    awaiting_.reset();
    if (!awaitReply_) {
        return Unexpected(BusError{"test", "AwaitPairing was never answered"});
    }
    return text(*awaitReply_);
}

Expected<std::string, BusError> AdminTestClient::awaitPairing(const std::string& requestId) {
    startAwait(requestId);
    return finishAwait();
}

Expected<void, BusError> AdminTestClient::setServiceEnabled(const std::string& serviceId,
                                                            bool enabled,
                                                            const std::string& token) const {
    const BusMessage call = newCall(false, AdminBus::App::setServiceEnabled);
    sd_bus_message_append(call.get(), "sbs", serviceId.c_str(), enabled, token.c_str());
    return nothing(send(call));
}

Expected<void, BusError> AdminTestClient::unpair(const std::string& token) const {
    const BusMessage call = newCall(false, AdminBus::App::unpair);
    sd_bus_message_append(call.get(), "s", token.c_str());
    return nothing(send(call));
}

Expected<std::map<std::string, TunnelOwner>, BusError> AdminTestClient::tunnelOwners() const {
    return decoded(send(newCall(false, AdminBus::App::tunnelOwners)), readTunnelOwners);
}

Expected<AdminStatus, BusError> AdminTestClient::controlStatus() const {
    return decoded(send(newCall(true, AdminBus::Control::status)), readStatus);
}

Expected<std::vector<PendingPairing>, BusError> AdminTestClient::pendingPairings() const {
    return decoded(send(newCall(true, AdminBus::Control::pendingPairings)), readPendingPairings);
}

Expected<void, BusError> AdminTestClient::approvePairing(const std::string& requestId) const {
    const BusMessage call = newCall(true, AdminBus::Control::approvePairing);
    sd_bus_message_append(call.get(), "s", requestId.c_str());
    sd_bus_message_append_array(call.get(), 'y', nullptr, 0);
    return nothing(send(call));
}

Expected<void, BusError> AdminTestClient::denyPairing(const std::string& requestId) const {
    const BusMessage call = newCall(true, AdminBus::Control::denyPairing);
    sd_bus_message_append(call.get(), "s", requestId.c_str());
    return nothing(send(call));
}

Expected<void, BusError> AdminTestClient::unpairAll() const {
    const BusMessage call = newCall(true, AdminBus::Control::unpairAll);
    sd_bus_message_append_array(call.get(), 'y', nullptr, 0);
    return nothing(send(call));
}

} // namespace wirelark::testing
