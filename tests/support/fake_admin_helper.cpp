#include "fake_admin_helper.h"

#include "admin/admin_bus.h"
#include "admin/admin_keys.h"

#include <algorithm>

namespace wirelark::testing {

namespace {

int onCall(sd_bus_message* call, void* userdata, sd_bus_error*) {
    return static_cast<FakeAdminHelper*>(userdata)->handle(call);
}

FakeAdminCall readCall(sd_bus_message* call) {
    FakeAdminCall received{sd_bus_message_get_member(call), {}};
    const std::string_view signature = sd_bus_message_get_signature(call, 1);
    for (const char type : signature) {
        if (type == 's') {
            const char* text = nullptr;
            sd_bus_message_read_basic(call, 's', &text);
            received.arguments.emplace_back(text != nullptr ? text : "");
        } else if (type == 'b') {
            int flag = 0;
            sd_bus_message_read_basic(call, 'b', &flag);
            received.arguments.emplace_back(flag != 0 ? "true" : "false");
        }
    }
    return received;
}

const sd_bus_vtable kVtable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("Status", "sb", "a{sv}", onCall, 0),
    SD_BUS_METHOD("BeginPairing", "", "s", onCall, 0),
    SD_BUS_METHOD("AwaitPairing", "s", "s", onCall, 0),
    SD_BUS_METHOD("SetServiceEnabled", "sbs", "", onCall, 0),
    SD_BUS_METHOD("Unpair", "s", "", onCall, 0),
    SD_BUS_METHOD("TunnelOwners", "", "aa{sv}", onCall, 0),
    SD_BUS_VTABLE_END,
};

} // namespace

FakeAdminHelper::FakeAdminHelper(const std::string& busAddress, const std::string& busName,
                                 FakeAdminHelperScript script)
    : busName_(busName), script_(std::move(script)) {
    thread_ = std::make_unique<BusThread>(busAddress, [this](sd_bus* bus) {
        return sd_bus_add_object_vtable(bus, nullptr, AdminBus::objectPath, AdminBus::appInterface,
                                        kVtable, this) >= 0 &&
               sd_bus_request_name(bus, busName_.c_str(), 0) >= 0;
    });
}

FakeAdminHelper::~FakeAdminHelper() {
    thread_.reset();
    for (auto& held : heldCalls_) {
        sd_bus_message_unref(held.first);
    }
}

void FakeAdminHelper::change(const std::function<void(FakeAdminHelperScript&)>& edit) {
    std::lock_guard guard(lock_);
    edit(script_);
}

std::vector<FakeAdminCall> FakeAdminHelper::calls() const {
    std::lock_guard guard(lock_);
    return calls_;
}

size_t FakeAdminHelper::count(const std::string& method) const {
    std::lock_guard guard(lock_);
    return static_cast<size_t>(std::count_if(
        calls_.begin(), calls_.end(), [&](const auto& call) { return call.method == method; }));
}

void FakeAdminHelper::release(const std::string& method) {
    thread_->post([this, method](sd_bus*) {
        std::vector<std::pair<sd_bus_message*, FakeAdminCall>> released;
        {
            std::lock_guard guard(lock_);
            script_.held.erase(method);
            const auto split =
                std::stable_partition(heldCalls_.begin(), heldCalls_.end(), [&](const auto& held) {
                    return held.second.method != method;
                });
            released.assign(split, heldCalls_.end());
            heldCalls_.erase(split, heldCalls_.end());
        }
        for (auto& [call, received] : released) {
            answer(call, received);
            sd_bus_message_unref(call);
        }
    });
}

int FakeAdminHelper::handle(sd_bus_message* call) {
    const FakeAdminCall received = readCall(call);
    {
        std::lock_guard guard(lock_);
        calls_.push_back(received);
        if (script_.held.contains(received.method)) {
            heldCalls_.emplace_back(sd_bus_message_ref(call), received);
            return 1;
        }
    }
    return answer(call, received);
}

int FakeAdminHelper::answer(sd_bus_message* call, const FakeAdminCall& received) {
    std::unique_lock guard(lock_);
    const FakeAdminHelperScript script = script_;
    guard.unlock();
    if (const auto error = script.errors.find(received.method); error != script.errors.end()) {
        return sd_bus_reply_method_errorf(call, error->second.c_str(), "%s", "refused");
    }
    sd_bus_message* reply = nullptr;
    if (sd_bus_message_new_method_return(call, &reply) < 0) {
        return -ENOMEM;
    }
    const std::string& method = received.method;
    if (method == "Status") {
        BusDictionary status = script.status;
        const bool known =
            received.arguments.at(1) == "true" && script.tokens.contains(received.arguments.at(0));
        status.emplace(std::string(AdminStatusKey::paired), known);
        appendDictionary(reply, status);
    } else if (method == "BeginPairing") {
        sd_bus_message_append(reply, "s", script.requestID.c_str());
    } else if (method == "AwaitPairing") {
        sd_bus_message_append(reply, "s", script.pairingToken.c_str());
    } else if (method == "TunnelOwners") {
        appendDictionaries(reply, script.tunnelOwners);
    }
    const int sent = sd_bus_send(nullptr, reply, nullptr);
    sd_bus_message_unref(reply);
    return sent < 0 ? sent : 1;
}

} // namespace wirelark::testing
