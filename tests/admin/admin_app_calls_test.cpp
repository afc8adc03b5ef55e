#include "admin/admin_app_calls.h"

#include "fake_admin_helper.h"
#include "private_bus_fixture.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

using namespace wirelark;
using namespace wirelark::testing;

namespace {

constexpr const char* kBusName = "com.quillfern.Wirelark.test.admin";

class AdminAppCallsTest : public PrivateBusTest {
protected:
    void SetUpOnBus() override {
        helper_ = std::make_unique<FakeAdminHelper>(address(), kBusName, FakeAdminHelperScript{});
        ASSERT_TRUE(helper_->ready());
        calls_ = std::make_unique<AdminAppCalls>(client().get(),
                                                 AdminAppCalls::Options{.busName = kBusName});
    }
    void TearDownOnBus() override {
        calls_.reset();
        helper_.reset();
    }

    // Dispatches the test's connection until `condition` holds or ten seconds have passed.
    bool dispatchUntil(const std::function<bool()>& condition) {
        for (int round = 0; round < 1000 && !condition(); ++round) {
            while (sd_bus_process(client().get(), nullptr) > 0) {
            }
            sd_bus_wait(client().get(), 10'000);
        }
        return condition();
    }

    std::unique_ptr<FakeAdminHelper> helper_;
    std::unique_ptr<AdminAppCalls> calls_;
};

TEST_F(AdminAppCallsTest, ACallFailedByTheConnectionIgnoresItsLaterReply) {
    helper_->change([](auto& script) {
        script.held = {"SetServiceEnabled"};
        script.errors["SetServiceEnabled"] = "com.quillfern.Wirelark.admin.Error.UnknownService";
    });
    std::vector<std::string> outcomes;
    calls_->setServiceEnabled("uuid", true, "token", [&](Expected<void, BusError> result) {
        outcomes.push_back(result ? "done" : result.error().name);
    });
    ASSERT_TRUE(dispatchUntil([&] { return helper_->count("SetServiceEnabled") == 1; }));
    calls_->failPending({"org.freedesktop.DBus.Error.Disconnected", "gone"});
    helper_->release("SetServiceEnabled");
    // A later call's reply proves the held one has been answered by then.
    bool statusAnswered = false;
    calls_->status(std::nullopt, [&](auto) { statusAnswered = true; });
    ASSERT_TRUE(dispatchUntil([&] { return statusAnswered; }));
    EXPECT_EQ(outcomes, std::vector<std::string>{"org.freedesktop.DBus.Error.Disconnected"});
}

TEST_F(AdminAppCallsTest, CallsOutlivedByTheirCallerNeverComplete) {
    helper_->change([](auto& script) { script.held = {"Status"}; });
    bool completed = false;
    calls_->status(std::nullopt, [&](auto) { completed = true; });
    ASSERT_TRUE(dispatchUntil([&] { return helper_->count("Status") == 1; }));
    calls_.reset();
    helper_->release("Status");
    AdminAppCalls later(client().get(), AdminAppCalls::Options{.busName = kBusName});
    bool laterAnswered = false;
    later.tunnelOwners([&](auto) { laterAnswered = true; });
    ASSERT_TRUE(dispatchUntil([&] { return laterAnswered; }));
    EXPECT_FALSE(completed);
}

} // namespace
