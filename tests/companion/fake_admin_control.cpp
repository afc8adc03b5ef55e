#include "fake_admin_control.h"

#include "admin/admin_bus.h"
#include "admin/admin_bus_error.h"

namespace wirelark::testing {

namespace {

FakeAdminControl& of(void* self) {
    return *static_cast<FakeAdminControl*>(self);
}

int readAuthorizationSize(sd_bus_message* call, size_t& size) {
    const void* bytes = nullptr;
    return sd_bus_message_read_array(call, 'y', &bytes, &size);
}

int replyWith(sd_bus_message* call, int (*append)(sd_bus_message*, const void*),
              const void* value) {
    sd_bus_message* reply = nullptr;
    int r = sd_bus_message_new_method_return(call, &reply);
    const BusMessage owned(reply);
    r = r < 0 ? r : append(reply, value);
    return r < 0 ? r : sd_bus_send(nullptr, reply, nullptr);
}

} // namespace

std::unique_ptr<FakeAdminControl> FakeAdminControl::serve(DbusConnection bus,
                                                          const std::string& name) {
    namespace control = AdminBus::Control;
    static constexpr sd_bus_vtable kVtable[] = {
        SD_BUS_VTABLE_START(0),
        SD_BUS_METHOD(control::status.name, control::status.arguments, control::status.reply,
                      onStatus, 0),
        SD_BUS_METHOD(control::pendingPairings.name, control::pendingPairings.arguments,
                      control::pendingPairings.reply, onPendingPairings, 0),
        SD_BUS_METHOD(control::approvePairing.name, control::approvePairing.arguments,
                      control::approvePairing.reply, onApprove, 0),
        SD_BUS_METHOD(control::denyPairing.name, control::denyPairing.arguments,
                      control::denyPairing.reply, onDeny, 0),
        SD_BUS_METHOD(control::unpairAll.name, control::unpairAll.arguments,
                      control::unpairAll.reply, onUnpairAll, 0),
        SD_BUS_VTABLE_END,
    };
    std::unique_ptr<FakeAdminControl> fake(new FakeAdminControl(std::move(bus)));
    sd_bus* raw = fake->dispatcher_.bus().get();
    sd_bus_slot* slot = nullptr;
    if (sd_bus_request_name(raw, name.c_str(), 0) < 0 ||
        sd_bus_add_object_vtable(raw, &slot, AdminBus::objectPath, AdminBus::controlInterface,
                                 kVtable, fake.get()) < 0) {
        return nullptr;
    }
    fake->object_.reset(slot);
    return fake;
}

void FakeAdminControl::releaseHeld() {
    for (const BusMessage& call : held_) {
        sd_bus_reply_method_return(call.get(), "");
    }
    held_.clear();
    dispatcher_.flushSoon();
}

int FakeAdminControl::onStatus(sd_bus_message* call, void* self, sd_bus_error*) {
    return replyWith(
        call,
        [](sd_bus_message* reply, const void* value) {
            return appendStatus(reply, *static_cast<const AdminStatus*>(value));
        },
        &of(self).status);
}

int FakeAdminControl::onPendingPairings(sd_bus_message* call, void* self, sd_bus_error*) {
    return replyWith(
        call,
        [](sd_bus_message* reply, const void* value) {
            return appendPendingPairings(reply,
                                         *static_cast<const std::vector<PendingPairing>*>(value));
        },
        &of(self).pending);
}

int FakeAdminControl::onApprove(sd_bus_message* call, void* self, sd_bus_error* error) {
    const char* id = nullptr;
    size_t size = 0;
    if (const int r = sd_bus_message_read(call, "s", &id); r < 0) {
        return r;
    }
    if (const int r = readAuthorizationSize(call, size); r < 0) {
        return r;
    }
    return of(self).decide(call, "ApprovePairing " + std::string(id) + " " + std::to_string(size),
                           error);
}

int FakeAdminControl::onDeny(sd_bus_message* call, void* self, sd_bus_error* error) {
    const char* id = nullptr;
    if (const int r = sd_bus_message_read(call, "s", &id); r < 0) {
        return r;
    }
    return of(self).decide(call, "DenyPairing " + std::string(id), error);
}

int FakeAdminControl::onUnpairAll(sd_bus_message* call, void* self, sd_bus_error* error) {
    size_t size = 0;
    if (const int r = readAuthorizationSize(call, size); r < 0) {
        return r;
    }
    return of(self).decide(call, "UnpairAll " + std::to_string(size), error);
}

int FakeAdminControl::decide(sd_bus_message* call, std::string line, sd_bus_error* error) {
    decisions.push_back(std::move(line));
    if (refusal) {
        return setBusError(error, *refusal);
    }
    if (holdDecisions) {
        held_.emplace_back(sd_bus_message_ref(call));
        return 1;
    }
    return sd_bus_reply_method_return(call, "");
}

} // namespace wirelark::testing
