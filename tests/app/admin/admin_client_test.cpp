#include "app/admin/admin_client.h"

#include "admin/admin_error.h"
#include "fake_admin_helper.h"
#include "fake_clock.h"
#include "loopback_server.h"
#include "memory_token_store.h"
#include "private_bus_fixture.h"

#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

using namespace wirelark;
using namespace wirelark::testing;

namespace {

constexpr const char* kBusName = "com.quillfern.Wirelark.test.admin";

bool settles(const std::function<bool()>& condition) {
    return QTest::qWaitFor(condition, 10'000);
}

class AdminClientTest : public PrivateBusTest {
protected:
    void SetUpOnBus() override { startHelper({}); }
    void TearDownOnBus() override {
        client_.reset();
        helper_.reset();
    }

    void startHelper(FakeAdminHelperScript script) {
        helper_ = std::make_unique<FakeAdminHelper>(address(), kBusName, std::move(script));
        ASSERT_TRUE(helper_->ready());
    }

    AdminClient& client(std::string feedURL = {},
                        std::chrono::microseconds timeout = std::chrono::seconds(25)) {
        AdminClientOptions options{
            .openBus = [address = address()] { return DbusConnection::openAddress(address); },
            .calls = {.busName = kBusName, .timeout = timeout},
            .feedURL = std::move(feedURL),
            .openAdminApp = [this] { ++adminAppOpened_; },
        };
        client_ = std::make_unique<AdminClient>(std::make_unique<MemoryTokenStore>(tokens_), clock_,
                                                std::move(options));
        return *client_;
    }

    AdminState refreshed(AdminClient& admin) {
        const size_t before = helper_->count("Status");
        admin.refresh();
        EXPECT_TRUE(settles([&] { return admin.state() != AdminState::checking; }));
        // The state settles before the reply when the connection fails.
        settles([&] { return helper_->count("Status") > before; });
        QTest::qWait(0);
        return admin.state();
    }

    std::shared_ptr<MemoryTokens> tokens_ = std::make_shared<MemoryTokens>();
    FakeClock clock_;
    std::unique_ptr<FakeAdminHelper> helper_;
    std::unique_ptr<AdminClient> client_;
    int adminAppOpened_ = 0;
};

TEST_F(AdminClientTest, WithoutATokenAsksWithoutOneAndDeletesNothing) {
    AdminClient& admin = client();
    EXPECT_EQ(refreshed(admin), AdminState::notPaired);
    const auto calls = helper_->calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].arguments, (std::vector<std::string>{"", "false"}));
    EXPECT_EQ(tokens_->removals, 0);
    EXPECT_EQ(admin.helperVersion(), "1.2");
    EXPECT_EQ(admin.helperProtocol(), 1);
    EXPECT_FALSE(admin.helperNeedsUpdate());
}

TEST_F(AdminClientTest, AKnownTokenIsPairedAndAStaleOneIsDeleted) {
    helper_->change([](auto& script) { script.tokens = {"known"}; });
    for (const auto& [token, expected] :
         {std::pair{"known", AdminState::paired}, std::pair{"stale", AdminState::notPaired}}) {
        SCOPED_TRACE(token);
        tokens_->token = token;
        tokens_->removals = 0;
        AdminClient& admin = client();
        EXPECT_EQ(refreshed(admin), expected);
        EXPECT_EQ(admin.isPaired(), expected == AdminState::paired);
        EXPECT_EQ(helper_->calls().back().arguments, (std::vector<std::string>{token, "true"}));
        EXPECT_EQ(tokens_->token.has_value(), expected == AdminState::paired);
        EXPECT_EQ(tokens_->removals, expected == AdminState::paired ? 0 : 1);
    }
}

TEST_F(AdminClientTest, AStaleReplyKeepsATokenStoredSinceTheRequest) {
    helper_->change([](auto& script) { script.held = {"Status"}; });
    tokens_->token = "stale";
    AdminClient& admin = client();
    admin.refresh();
    ASSERT_TRUE(settles([&] { return helper_->count("Status") == 1; }));
    tokens_->token = "fresh";
    helper_->release("Status");
    ASSERT_TRUE(settles([&] { return admin.state() != AdminState::checking; }));
    EXPECT_EQ(tokens_->token, "fresh");
    EXPECT_EQ(tokens_->removals, 0);
}

TEST_F(AdminClientTest, AStatusWithoutProtocolNeedsAnUpdatedHelper) {
    helper_->change([](auto& script) { script.status.erase("protocol"); });
    AdminClient& admin = client();
    EXPECT_FALSE(admin.helperNeedsUpdate()) << "nothing is known yet";
    EXPECT_EQ(refreshed(admin), AdminState::notPaired);
    EXPECT_EQ(admin.helperProtocol(), 0);
    EXPECT_TRUE(admin.helperNeedsUpdate());
}

TEST_F(AdminClientTest, AMissingSilentOrLostHelperLeavesItNotInstalled) {
    AdminClientOptions options{
        .calls = {.busName = kBusName, .timeout = std::chrono::milliseconds(200)}};
    // No helper owns the name.
    helper_.reset();
    options.openBus = [address = address()] { return DbusConnection::openAddress(address); };
    client_ =
        std::make_unique<AdminClient>(std::make_unique<MemoryTokenStore>(tokens_), clock_, options);
    client_->refresh();
    EXPECT_TRUE(settles([&] { return client_->state() == AdminState::notInstalled; }));

    // A helper that never answers.
    startHelper({});
    helper_->change([](auto& script) { script.held = {"Status"}; });
    client_ =
        std::make_unique<AdminClient>(std::make_unique<MemoryTokenStore>(tokens_), clock_, options);
    client_->refresh();
    EXPECT_TRUE(settles([&] { return client_->state() == AdminState::notInstalled; }));

    // No system bus at all.
    options.openBus = [] { return std::optional<DbusConnection>(); };
    client_ =
        std::make_unique<AdminClient>(std::make_unique<MemoryTokenStore>(tokens_), clock_, options);
    client_->refresh();
    EXPECT_EQ(client_->state(), AdminState::notInstalled);
    std::optional<std::string> failure;
    tokens_->token = "known";
    client_->setServiceEnabled("uuid", true, [&](auto error) { failure = error; });
    EXPECT_TRUE(failure.has_value());
}

TEST_F(AdminClientTest, WithoutAHelperToAskTheTokenIsNeverRead) {
    helper_.reset();
    tokens_->token = "known";
    const std::string bus = address();
    const struct {
        const char* name;
        std::function<std::optional<DbusConnection>()> openBus;
    } cases[] = {
        {"no helper owns the name", [bus] { return DbusConnection::openAddress(bus); }},
        {"no bus", [] { return std::optional<DbusConnection>(); }},
    };
    for (const auto& [name, openBus] : cases) {
        SCOPED_TRACE(name);
        tokens_->reads = 0;
        client_ = std::make_unique<AdminClient>(
            std::make_unique<MemoryTokenStore>(tokens_), clock_,
            AdminClientOptions{.openBus = openBus, .calls = {.busName = kBusName}});
        client_->refresh();
        EXPECT_TRUE(settles([&] { return client_->state() == AdminState::notInstalled; }));
        QTest::qWait(0);
        EXPECT_EQ(tokens_->reads, 0);
    }
}

TEST_F(AdminClientTest, TheBusGoingAwayLeavesItNotInstalledAndTheCallCompleted) {
    helper_->change([](auto& script) { script.tokens = {"known"}; });
    tokens_->token = "known";
    AdminClient& admin = client();
    ASSERT_EQ(refreshed(admin), AdminState::paired);
    helper_->change([](auto& script) { script.held = {"Status", "SetServiceEnabled"}; });
    int completions = 0;
    std::optional<std::string> failure;
    admin.setServiceEnabled("uuid", true, [&](auto error) {
        ++completions;
        failure = error;
    });
    admin.refresh();
    ASSERT_TRUE(settles([&] { return helper_->count("Status") == 2; }));
    helper_.reset();
    stopDaemon();
    EXPECT_TRUE(settles([&] { return admin.state() == AdminState::notInstalled; }));
    EXPECT_EQ(admin.helperVersion(), std::nullopt);
    EXPECT_TRUE(settles([&] { return completions > 0; }));
    QTest::qWait(0);
    EXPECT_EQ(completions, 1);
    EXPECT_TRUE(failure.has_value());
}

TEST_F(AdminClientTest, SettingAServiceWithoutATokenFailsWithoutAskingTheHelper) {
    AdminClient& admin = client();
    std::optional<std::optional<std::string>> outcome;
    admin.setServiceEnabled("uuid", true, [&](auto error) { outcome = error; });
    ASSERT_TRUE(outcome.has_value()) << "completes at once";
    EXPECT_EQ(*outcome, std::string(description(AdminError::notPaired)));
    EXPECT_EQ(*outcome, "This app isn't paired with the admin helper");
    EXPECT_TRUE(helper_->calls().empty());
}

TEST_F(AdminClientTest, SettingAServiceSendsTheTokenAndReportsTheHelpersRefusal) {
    tokens_->token = "known";
    AdminClient& admin = client();
    for (const auto& [refusal, expected] :
         {std::pair<const char*, std::optional<std::string>>{nullptr, std::nullopt},
          {"com.quillfern.Wirelark.admin.Error.UnknownService", "No such network service"},
          {"org.example.Other", "refused"}}) {
        helper_->change([refusal](auto& script) {
            script.errors.clear();
            if (refusal != nullptr) {
                script.errors["SetServiceEnabled"] = refusal;
            }
        });
        std::optional<std::optional<std::string>> outcome;
        admin.setServiceEnabled("uuid-1", false, [&](auto error) { outcome = error; });
        ASSERT_TRUE(settles([&] { return outcome.has_value(); }));
        EXPECT_EQ(*outcome, expected);
        EXPECT_EQ(helper_->calls().back().arguments,
                  (std::vector<std::string>{"uuid-1", "false", "known"}));
    }
}

TEST_F(AdminClientTest, PairingStoresTheTokenAndOpensTheAdminApp) {
    AdminClient& admin = client();
    ASSERT_EQ(refreshed(admin), AdminState::notPaired);
    admin.beginPairing();
    EXPECT_EQ(admin.state(), AdminState::pairing);
    ASSERT_TRUE(settles([&] { return admin.state() != AdminState::pairing; }));
    EXPECT_EQ(admin.state(), AdminState::paired);
    EXPECT_EQ(tokens_->token, "token-1");
    EXPECT_EQ(adminAppOpened_, 1);
    EXPECT_EQ(helper_->calls().back().arguments, std::vector<std::string>{"request-1"});
    EXPECT_EQ(admin.lastError(), std::nullopt);
}

TEST_F(AdminClientTest, ATokenThatCannotBeStoredEndsThePairingAndIsUnpaired) {
    AdminClient& admin = client();
    ASSERT_EQ(refreshed(admin), AdminState::notPaired);
    tokens_->refuseWrites = true;
    admin.beginPairing();
    ASSERT_TRUE(settles([&] { return admin.state() != AdminState::pairing; }));
    EXPECT_EQ(admin.state(), AdminState::notPaired);
    EXPECT_EQ(admin.lastError(), "The pairing token could not be stored");
    ASSERT_TRUE(settles([&] { return helper_->count("Unpair") == 1; }));
    EXPECT_EQ(helper_->calls().back().arguments, std::vector<std::string>{"token-1"});
}

TEST_F(AdminClientTest, PairingRepliesWithoutAValueOrWithARefusalEndWithTheirTexts) {
    struct Case {
        std::function<void(FakeAdminHelperScript&)> script;
        const char* text;
    };
    const Case cases[] = {
        {[](auto& script) { script.requestID = ""; }, "The pairing request has expired"},
        {[](auto& script) { script.pairingToken = ""; }, "Administrator authorization failed"},
        {[](auto& script) {
             script.errors["BeginPairing"] = "com.quillfern.Wirelark.admin.Error.AlreadyPending";
         },
         "A pairing request is already waiting for approval"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.text);
        helper_->change([&](auto& script) {
            script = {};
            test.script(script);
        });
        AdminClient& admin = client();
        ASSERT_EQ(refreshed(admin), AdminState::notPaired);
        admin.beginPairing();
        ASSERT_TRUE(settles([&] { return admin.state() != AdminState::pairing; }));
        EXPECT_EQ(admin.state(), AdminState::notPaired);
        EXPECT_EQ(admin.lastError(), test.text);
        EXPECT_EQ(tokens_->token, std::nullopt);
    }
}

TEST_F(AdminClientTest, AStatusReplyDuringPairingLeavesThePairingState) {
    helper_->change([](auto& script) { script.held = {"AwaitPairing"}; });
    AdminClient& admin = client();
    admin.beginPairing();
    ASSERT_TRUE(settles([&] { return helper_->count("AwaitPairing") == 1; }));
    EXPECT_EQ(refreshed(admin), AdminState::pairing);
    helper_->release("AwaitPairing");
    EXPECT_TRUE(settles([&] { return admin.state() == AdminState::paired; }));
}

TEST_F(AdminClientTest, AHelperThatGoesAwayWhilePairingEndsThePairing) {
    helper_->change([](auto& script) { script.held = {"AwaitPairing"}; });
    AdminClient& admin = client();
    admin.beginPairing();
    ASSERT_TRUE(settles([&] { return helper_->count("AwaitPairing") == 1; }));
    helper_.reset();
    ASSERT_TRUE(settles([&] { return admin.state() != AdminState::pairing; }));
    EXPECT_EQ(admin.state(), AdminState::notPaired);
    EXPECT_TRUE(admin.lastError().has_value());
    EXPECT_EQ(tokens_->token, std::nullopt);
}

TEST_F(AdminClientTest, UnpairingForgetsTheTokenAndAsksAgain) {
    helper_->change([](auto& script) { script.tokens = {"known"}; });
    tokens_->token = "known";
    AdminClient& admin = client();
    ASSERT_EQ(refreshed(admin), AdminState::paired);
    admin.unpair();
    EXPECT_EQ(admin.state(), AdminState::notPaired);
    EXPECT_EQ(tokens_->token, std::nullopt);
    ASSERT_TRUE(settles([&] { return helper_->count("Status") == 2; }));
    const auto calls = helper_->calls();
    EXPECT_EQ(calls[1].method, "Unpair");
    EXPECT_EQ(calls[1].arguments, std::vector<std::string>{"known"});
    EXPECT_EQ(calls[2].arguments, (std::vector<std::string>{"", "false"}));
}

TEST_F(AdminClientTest, TunnelOwnersComeFromTheHelperOnceItAnswers) {
    helper_->change([](auto& script) {
        script.tunnelOwners = {
            {{"interface", std::string("tun0")},
             {"name", std::string("openvpn")},
             {"pid", int32_t{42}},
             {"path", std::string("/usr/sbin/openvpn")}},
            {{"interface", std::string("wg0")}, {"pid", int32_t{7}}},
        };
    });
    AdminClient& admin = client();
    std::optional<TunnelOwnerMap> owners;
    admin.tunnelOwners([&](TunnelOwnerMap found) { owners = std::move(found); });
    ASSERT_TRUE(owners.has_value()) << "answers at once while checking";
    EXPECT_TRUE(owners->empty());
    EXPECT_TRUE(helper_->calls().empty());

    ASSERT_EQ(refreshed(admin), AdminState::notPaired);
    owners.reset();
    admin.tunnelOwners([&](TunnelOwnerMap found) { owners = std::move(found); });
    ASSERT_TRUE(settles([&] { return owners.has_value(); }));
    ASSERT_EQ(owners->size(), 1u);
    EXPECT_EQ(owners->at("tun0").pid, 42);
    EXPECT_EQ(owners->at("tun0").name, "openvpn");
}

// Serves the feed with a body the test may change, counting the requests.
class FeedServer {
public:
    FeedServer()
        : server_(IPVersion::v4, [this](ServerConnection& connection) {
              std::string body;
              {
                  std::lock_guard guard(lock_);
                  body = body_;
              }
              connection.send(httpResponse("HTTP/1.1 200 OK", body));
          }) {}

    void serve(std::string body) {
        std::lock_guard guard(lock_);
        body_ = std::move(body);
    }
    size_t requests() const { return server_.requests().size(); }
    std::string url() const { return server_.url("/helper.json"); }

private:
    std::mutex lock_;
    std::string body_ = R"({"version": "1.3", "notes": "ignored"})";
    LoopbackServer server_;
};

TEST_F(AdminClientTest, TheFeedIsFetchedOnceADayAndAnEqualVersionClearsTheUpdate) {
    if (!LoopbackServer::available(IPVersion::v4)) {
        GTEST_SKIP() << "no IPv4 loopback here";
    }
    FeedServer feed;
    AdminClient& admin = client(feed.url());
    ASSERT_EQ(refreshed(admin), AdminState::notPaired);
    ASSERT_TRUE(settles([&] { return admin.availableUpdate().has_value(); }));
    EXPECT_EQ(admin.availableUpdate(), "1.3");

    clock_.monotonic += 86'000;
    refreshed(admin);
    QTest::qWait(50);
    EXPECT_EQ(feed.requests(), 1u) << "within a day";

    feed.serve(R"({"version": "1.2.0"})");
    clock_.monotonic += 400;
    refreshed(admin);
    EXPECT_TRUE(settles([&] { return !admin.availableUpdate().has_value(); }));
    EXPECT_EQ(feed.requests(), 2u);
}

TEST_F(AdminClientTest, AHelperWithoutAVersionNeverFetchesTheFeed) {
    if (!LoopbackServer::available(IPVersion::v4)) {
        GTEST_SKIP() << "no IPv4 loopback here";
    }
    helper_->change([](auto& script) { script.status.erase("version"); });
    FeedServer feed;
    AdminClient& admin = client(feed.url());
    ASSERT_EQ(refreshed(admin), AdminState::notPaired);
    QTest::qWait(50);
    EXPECT_EQ(feed.requests(), 0u);
}

} // namespace
