// Both ends of the contract on a private bus: a small helper that answers with the library's
// encoders under the names, path and signatures it defines, and callers that decode its
// answers with the library.
#include "admin/admin_bus.h"
#include "admin/admin_bus_error.h"
#include "admin/admin_constants.h"
#include "admin/admin_replies.h"

#include "netcore/dbus/dbus_connection.h"

#include "bus_thread.h"
#include "private_bus_fixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>

using namespace wirelark;
using namespace std::chrono_literals;

namespace {

// Knows the token "good" and the service "eth0"; keeps an AwaitPairing call open until the
// companion app approves its request. Runs on the bus thread alone.
class FakeHelper {
public:
    static bool serve(sd_bus* bus, FakeHelper* helper) {
        const AdminTeamNames& names = AdminTeamNames::configured();
        return sd_bus_request_name(bus, names.busName.c_str(), 0) >= 0 &&
               sd_bus_request_name(bus, names.controlBusName.c_str(), 0) >= 0 &&
               sd_bus_add_object_vtable(bus, nullptr, AdminBus::objectPath, AdminBus::appInterface,
                                        kAppVtable, helper) >= 0 &&
               sd_bus_add_object_vtable(bus, nullptr, AdminBus::objectPath,
                                        AdminBus::controlInterface, kControlVtable, helper) >= 0;
    }

    ~FakeHelper() { sd_bus_message_unref(awaiting_); }

private:
    static FakeHelper& of(void* userdata) { return *static_cast<FakeHelper*>(userdata); }

    static int status(sd_bus_message* call, void*, sd_bus_error*) {
        const char* token = nullptr;
        int hasToken = 0;
        if (const int r = sd_bus_message_read(call, "sb", &token, &hasToken); r < 0) {
            return r;
        }
        return replyWith(call, [&](sd_bus_message* reply) {
            return appendStatus(reply, {.version = "1.4.2",
                                        .protocol = AdminConstants::protocolVersion,
                                        .paired = hasToken && std::strcmp(token, "good") == 0});
        });
    }

    static int setServiceEnabled(sd_bus_message* call, void*, sd_bus_error* error) {
        const char* service = nullptr;
        int enabled = 0;
        const char* token = nullptr;
        if (const int r = sd_bus_message_read(call, "sbs", &service, &enabled, &token); r < 0) {
            return r;
        }
        if (std::strcmp(token, "good") != 0) {
            return setBusError(error, AdminError::notPaired);
        }
        if (std::strcmp(service, "eth0") != 0) {
            return setBusError(error, AdminError::unknownService);
        }
        return sd_bus_reply_method_return(call, "");
    }

    static int tunnelOwners(sd_bus_message* call, void*, sd_bus_error*) {
        return replyWith(call, [](sd_bus_message* reply) {
            return appendTunnelOwners(reply,
                                      {{"tun0", {.pid = 412, .name = "openvpn", .path = ""}}});
        });
    }

    // Answered later, when the request is decided.
    static int awaitPairing(sd_bus_message* call, void* userdata, sd_bus_error*) {
        FakeHelper& helper = of(userdata);
        sd_bus_message_unref(helper.awaiting_);
        helper.awaiting_ = sd_bus_message_ref(call);
        return 1;
    }

    static int approvePairing(sd_bus_message* call, void* userdata, sd_bus_error* error) {
        FakeHelper& helper = of(userdata);
        const char* id = nullptr;
        const void* authorization = nullptr;
        size_t authorizationSize = 0;
        if (const int r = sd_bus_message_read(call, "s", &id); r < 0) {
            return r;
        }
        if (const int r = sd_bus_message_read_array(call, 'y', &authorization, &authorizationSize);
            r < 0) {
            return r;
        }
        const char* awaitedID = nullptr;
        if (helper.awaiting_ == nullptr ||
            sd_bus_message_read(helper.awaiting_, "s", &awaitedID) < 0 ||
            std::strcmp(id, awaitedID) != 0) {
            return setBusError(error, AdminError::unknownRequest);
        }
        sd_bus_reply_method_return(helper.awaiting_, "s", "token-1");
        helper.awaiting_ = sd_bus_message_unref(helper.awaiting_);
        return sd_bus_reply_method_return(call, "");
    }

    static int replyWith(sd_bus_message* call, const std::function<int(sd_bus_message*)>& write) {
        sd_bus_message* reply = nullptr;
        int r = sd_bus_message_new_method_return(call, &reply);
        const BusMessage owned(reply);
        r = r < 0 ? r : write(reply);
        return r < 0 ? r : sd_bus_send(nullptr, reply, nullptr);
    }

    static constexpr sd_bus_vtable kAppVtable[] = {
        SD_BUS_VTABLE_START(0),
        SD_BUS_METHOD(AdminBus::App::status.name, AdminBus::App::status.arguments,
                      AdminBus::App::status.reply, &status, SD_BUS_VTABLE_UNPRIVILEGED),
        SD_BUS_METHOD(
            AdminBus::App::setServiceEnabled.name, AdminBus::App::setServiceEnabled.arguments,
            AdminBus::App::setServiceEnabled.reply, &setServiceEnabled, SD_BUS_VTABLE_UNPRIVILEGED),
        SD_BUS_METHOD(AdminBus::App::tunnelOwners.name, AdminBus::App::tunnelOwners.arguments,
                      AdminBus::App::tunnelOwners.reply, &tunnelOwners, SD_BUS_VTABLE_UNPRIVILEGED),
        SD_BUS_METHOD(AdminBus::App::awaitPairing.name, AdminBus::App::awaitPairing.arguments,
                      AdminBus::App::awaitPairing.reply, &awaitPairing, SD_BUS_VTABLE_UNPRIVILEGED),
        SD_BUS_VTABLE_END,
    };
    static constexpr sd_bus_vtable kControlVtable[] = {
        SD_BUS_VTABLE_START(0),
        SD_BUS_METHOD(
            AdminBus::Control::approvePairing.name, AdminBus::Control::approvePairing.arguments,
            AdminBus::Control::approvePairing.reply, &approvePairing, SD_BUS_VTABLE_UNPRIVILEGED),
        SD_BUS_VTABLE_END,
    };

    sd_bus_message* awaiting_ = nullptr;
};

class AdminBusTest : public wirelark::testing::PrivateBusTest {
protected:
    void SetUpOnBus() override {
        helperThread_ = std::make_unique<wirelark::testing::BusThread>(
            address(), [this](sd_bus* bus) { return FakeHelper::serve(bus, &helper_); });
        ASSERT_TRUE(helperThread_->ready());
        app_ = DbusConnection::openAddress(address());
        companion_ = DbusConnection::openAddress(address());
        ASSERT_TRUE(app_ && companion_);
    }
    void TearDownOnBus() override {
        app_.reset();
        companion_.reset();
        helperThread_.reset();
    }

    BusMessage appCall(const AdminBus::Method& method) const {
        return app_->newMethodCall(AdminTeamNames::configured().busName.c_str(),
                                   AdminBus::objectPath, AdminBus::appInterface, method.name);
    }

    // Declared before the thread that serves it, so that it outlives the thread.
    FakeHelper helper_;
    std::unique_ptr<wirelark::testing::BusThread> helperThread_;
    std::optional<DbusConnection> app_;
    std::optional<DbusConnection> companion_;
};

} // namespace

TEST_F(AdminBusTest, StatusSaysWhetherTheTokenIsPaired) {
    struct Case {
        const char* token;
        bool hasToken;
        bool paired;
    };
    for (const Case& c :
         {Case{"good", true, true}, Case{"stale", true, false}, Case{"", false, false}}) {
        auto call = appCall(AdminBus::App::status);
        ASSERT_GE(sd_bus_message_append(call.get(), "sb", c.token, c.hasToken), 0);
        const BusReply reply = app_->call(call.get(), 5s);
        ASSERT_TRUE(reply) << reply.error().name;
        EXPECT_EQ(readStatus(reply.value().get()),
                  (AdminStatus{.version = "1.4.2", .protocol = 1, .paired = c.paired}))
            << c.token;
    }
}

TEST_F(AdminBusTest, RefusalsArriveAsTheirAdminErrors) {
    struct Case {
        const char* service;
        const char* token;
        std::optional<AdminError> error;
    };
    for (const Case& c :
         {Case{"eth0", "good", std::nullopt}, Case{"wlan9", "good", AdminError::unknownService},
          Case{"eth0", "stale", AdminError::notPaired}}) {
        auto call = appCall(AdminBus::App::setServiceEnabled);
        ASSERT_GE(sd_bus_message_append(call.get(), "sbs", c.service, 1, c.token), 0);
        const BusReply reply = app_->call(call.get(), 5s);
        if (!c.error) {
            EXPECT_TRUE(reply) << reply.error().name;
            continue;
        }
        ASSERT_FALSE(reply);
        EXPECT_EQ(adminErrorFromBusErrorName(reply.error().name), c.error);
        EXPECT_EQ(reply.error().message, description(*c.error));
    }
}

TEST_F(AdminBusTest, TunnelOwnersArriveDecoded) {
    const BusReply reply = app_->call(appCall(AdminBus::App::tunnelOwners).get(), 5s);
    ASSERT_TRUE(reply);
    const std::map<std::string, TunnelOwner> expected = {
        {"tun0", {.pid = 412, .name = "openvpn", .path = ""}}};
    EXPECT_EQ(readTunnelOwners(reply.value().get()), expected);
}

TEST_F(AdminBusTest, AwaitPairingWaitsWithoutTimeoutUntilTheRequestIsApproved) {
    // The connection's Hello must be answered first, or its timer is what the check below sees.
    const char* unique = nullptr;
    ASSERT_GE(sd_bus_get_unique_name(app_->get(), &unique), 0);
    while (sd_bus_process(app_->get(), nullptr) > 0) {
    }

    struct Outcome {
        std::atomic<bool> arrived = false;
        std::string token;
        std::string error;
    } outcome;
    auto await = appCall(AdminBus::App::awaitPairing);
    ASSERT_GE(sd_bus_message_append(await.get(), "s", "r-1"), 0);
    sd_bus_slot* slot = nullptr;
    ASSERT_GE(sd_bus_call_async(
                  app_->get(), &slot, await.get(),
                  [](sd_bus_message* reply, void* userdata, sd_bus_error*) {
                      auto& out = *static_cast<Outcome*>(userdata);
                      const char* token = nullptr;
                      if (sd_bus_message_is_method_error(reply, nullptr)) {
                          out.error = sd_bus_message_get_error(reply)->name;
                      } else if (sd_bus_message_read(reply, "s", &token) >= 0) {
                          out.token = token;
                      }
                      out.arrived = true;
                      return 0;
                  },
                  &outcome, AdminBus::awaitPairingTimeout),
              0);
    const BusSlot ownedSlot(slot);
    uint64_t deadline = 0;
    ASSERT_GE(sd_bus_get_timeout(app_->get(), &deadline), 0);
    EXPECT_EQ(deadline, UINT64_MAX) << "the call set a timer of its own";

    // Let the call reach the helper; it stays unanswered meanwhile.
    for (int i = 0; i < 20; ++i) {
        sd_bus_wait(app_->get(), 10'000);
        while (sd_bus_process(app_->get(), nullptr) > 0) {
        }
    }
    EXPECT_FALSE(outcome.arrived);

    auto approve = companion_->newMethodCall(AdminTeamNames::configured().controlBusName.c_str(),
                                             AdminBus::objectPath, AdminBus::controlInterface,
                                             AdminBus::Control::approvePairing.name);
    ASSERT_GE(sd_bus_message_append(approve.get(), "s", "r-1"), 0);
    ASSERT_GE(sd_bus_message_append_array(approve.get(), 'y', nullptr, 0), 0);
    const BusReply approved = companion_->call(approve.get(), 5s);
    ASSERT_TRUE(approved) << approved.error().name;

    for (int i = 0; i < 500 && !outcome.arrived; ++i) {
        sd_bus_wait(app_->get(), 10'000);
        while (sd_bus_process(app_->get(), nullptr) > 0) {
        }
    }
    ASSERT_TRUE(outcome.arrived);
    EXPECT_EQ(outcome.error, "");
    EXPECT_EQ(outcome.token, "token-1");
}
