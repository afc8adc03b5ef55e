// The real wirelark-admin-helper on a private bus, with a fake NetworkManager and a fake polkit
// authority beside it, driven through the protocol library as the app and the companion app
// drive it.
#include "admin/admin_bus_error.h"
#include "admin/admin_constants.h"
#include "admin/token_digest.h"
#include "helper/pairing_state_text.h"

#include "admin_test_client.h"
#include "as_other_user.h"
#include "fake_network_manager.h"
#include "fake_polkit.h"
#include "helper_process.h"
#include "private_bus_fixture.h"
#include "temp_dir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <thread>

using namespace wirelark;
using namespace wirelark::testing;
using namespace std::chrono_literals;

namespace {

constexpr const char* kOfficeUuid = "6b1f0c3e-8d1d-4c59-9a41-2f4cf0b1a001";
constexpr const char* kRefusingUuid = "6b1f0c3e-8d1d-4c59-9a41-2f4cf0b1a002";

std::string errorName(AdminError error) {
    return busErrorName(error);
}

template <typename T>
std::string errorNameOf(const Expected<T, BusError>& result) {
    return result ? "(none)" : result.error().name;
}

class AdminHelperTest : public PrivateBusTest {
protected:
    void SetUpOnBus() override {
        if (geteuid() != 0) {
            GTEST_SKIP() << "the helper's tests call as a second user, which needs root";
        }
        daemon().openToAllUsers();
        networkManager_ = std::make_unique<FakeNetworkManager>(
            address(),
            FakeNetworkManagerFixture{
                .profiles = {{.uuid = kOfficeUuid, .id = "Office"},
                             {.uuid = kRefusingUuid, .id = "Locked", .refusesSwitching = true}},
                .devices = {{"eth0", "eth0"}},
                .hangOn = {}});
        polkit_ = std::make_unique<FakePolkit>(address());
        ASSERT_TRUE(networkManager_->ready());
        ASSERT_TRUE(polkit_->ready());
        startHelper();
        app_ = connect();
        control_ = connect();
    }

    void TearDownOnBus() override {
        app_.reset();
        control_.reset();
        helper_.reset();
        polkit_.reset();
        networkManager_.reset();
    }

    void startHelper(std::chrono::milliseconds lifetime = 10min) {
        helper_.reset();
        helper_ = std::make_unique<HelperProcess>(address(), state_.path(), lifetime);
        ASSERT_TRUE(helper_->ready());
    }

    std::unique_ptr<AdminTestClient> connect() const {
        auto bus = DbusConnection::openAddress(address());
        EXPECT_TRUE(bus);
        return std::make_unique<AdminTestClient>(std::move(*bus));
    }

    // Begins a pairing as the app and approves it in the companion app: the app's token.
    std::string pair() {
        const auto id = app_->beginPairing();
        EXPECT_TRUE(id) << errorNameOf(id);
        app_->startAwait(id.value_or(""));
        const auto approved = control_->approvePairing(id.value_or(""));
        EXPECT_TRUE(approved) << errorNameOf(approved);
        const auto token = app_->finishAwait();
        EXPECT_TRUE(token) << errorNameOf(token);
        return token.value_or("");
    }

    std::filesystem::path stateFile() const { return state_.path() / "pairings"; }

    TempDir state_;
    std::unique_ptr<FakeNetworkManager> networkManager_;
    std::unique_ptr<FakePolkit> polkit_;
    std::unique_ptr<HelperProcess> helper_;
    std::unique_ptr<AdminTestClient> app_;
    std::unique_ptr<AdminTestClient> control_;
};

TEST_F(AdminHelperTest, ApprovedPairingSwitchesTheProfileInNetworkManager) {
    const auto id = app_->beginPairing();
    ASSERT_TRUE(id);
    const auto pending = control_->pendingPairings();
    ASSERT_TRUE(pending);
    ASSERT_EQ(pending->size(), 1u);
    EXPECT_EQ(pending->front().id, *id);
    ASSERT_TRUE(pending->front().created);
    EXPECT_LE(std::chrono::abs(*pending->front().created - std::chrono::system_clock::now()), 60s);

    app_->startAwait(*id);
    ASSERT_TRUE(control_->approvePairing(*id));
    const auto token = app_->finishAwait();
    ASSERT_TRUE(token) << errorNameOf(token);
    EXPECT_EQ(token->size(), 64u);
    EXPECT_TRUE(control_->pendingPairings()->empty());

    const auto questions = polkit_->questions();
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0].subjectKind, "system-bus-name");
    EXPECT_EQ(questions[0].busName, control_->uniqueName());
    EXPECT_EQ(questions[0].action, AdminConstants::pairingName);
    EXPECT_EQ(questions[0].flags, 1u) << "the administrator must be allowed to answer";

    EXPECT_EQ(app_->status(*token)->paired, true);
    ASSERT_TRUE(app_->setServiceEnabled(kOfficeUuid, true, *token));
    ASSERT_TRUE(app_->setServiceEnabled(kOfficeUuid, false, *token));
    EXPECT_EQ(networkManager_->switches(),
              (std::vector<NetworkManagerSwitch>{
                  {"ActivateConnection", FakeNetworkManager::profilePath(0)},
                  {"DeactivateConnection", FakeNetworkManager::activePath(0)}}));
}

TEST_F(AdminHelperTest, StatusReportsVersionProtocolAndPairing) {
    const auto token = pair();
    const struct {
        std::optional<std::string> token;
        bool paired;
    } cases[] = {{std::nullopt, false}, {"", false}, {token, true}, {token + "0", false}};
    for (const auto& c : cases) {
        const auto status = app_->status(c.token);
        ASSERT_TRUE(status);
        EXPECT_EQ(status->protocol, AdminConstants::protocolVersion);
        EXPECT_TRUE(status->version);
        EXPECT_EQ(status->paired, c.paired) << c.token.value_or("(no token)");
    }
    const auto control = control_->controlStatus();
    ASSERT_TRUE(control);
    EXPECT_EQ(control->protocol, AdminConstants::protocolVersion);
    EXPECT_FALSE(control->paired);
}

TEST_F(AdminHelperTest, RefusalsCarryTheProtocolsErrors) {
    const auto token = pair();
    const std::string huge(100000, 'a');
    const struct {
        const char* what;
        Expected<void, BusError> result;
        AdminError expected;
    } cases[] = {
        {"unknown token", app_->setServiceEnabled(kOfficeUuid, true, "not-a-token"),
         AdminError::notPaired},
        {"oversized token", app_->setServiceEnabled(kOfficeUuid, true, huge),
         AdminError::notPaired},
        {"unknown profile", app_->setServiceEnabled("no-such-uuid", true, token),
         AdminError::unknownService},
        {"oversized profile", app_->setServiceEnabled(huge, true, token),
         AdminError::unknownService},
        {"refused activation", app_->setServiceEnabled(kRefusingUuid, true, token),
         AdminError::configurationFailed},
        {"approving an unknown request", control_->approvePairing("no-such-request"),
         AdminError::unknownRequest},
        {"denying an unknown request", control_->denyPairing(huge), AdminError::unknownRequest},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(errorNameOf(c.result), errorName(c.expected)) << c.what;
    }
    EXPECT_EQ(errorNameOf(app_->awaitPairing("no-such-request")),
              errorName(AdminError::unknownRequest));
    EXPECT_EQ(errorNameOf(app_->awaitPairing(huge)), errorName(AdminError::unknownRequest));
}

TEST_F(AdminHelperTest, OneRequestWaitsAtATime) {
    ASSERT_TRUE(app_->beginPairing());
    const auto second = connect();
    EXPECT_EQ(errorNameOf(second->beginPairing()), errorName(AdminError::alreadyPending));
    EXPECT_EQ(errorNameOf(app_->beginPairing()), errorName(AdminError::alreadyPending));
}

TEST_F(AdminHelperTest, DeniedRequestFailsTheWaitingApp) {
    // The requester may withdraw its own request unasked; another user needs an administrator.
    const struct {
        const char* who;
        bool asNobody;
        bool polkitAllows;
        size_t questionsAsked;
    } cases[] = {
        {"the requester's own uid", false, false, 0},
        {"another uid with an administrator's consent", true, true, 1},
    };
    for (const auto& c : cases) {
        polkit_->setAuthorized(c.polkitAllows);
        const size_t questionsBefore = polkit_->questions().size();
        const auto id = app_->beginPairing();
        ASSERT_TRUE(id) << c.who;
        app_->startAwait(*id);
        const auto deny = [&](AdminTestClient& client) {
            return static_cast<bool>(client.denyPairing(*id));
        };
        ASSERT_TRUE(c.asNobody ? runAsNobody(address(), deny) == 0 : deny(*control_)) << c.who;
        EXPECT_EQ(errorNameOf(app_->finishAwait()), errorName(AdminError::authorizationFailed))
            << c.who;
        EXPECT_EQ(polkit_->questions().size() - questionsBefore, c.questionsAsked) << c.who;
    }
    EXPECT_TRUE(app_->beginPairing()) << "a decided request no longer blocks the next";
}

TEST_F(AdminHelperTest, RefusedAuthorizationLeavesTheRequestPending) {
    // A caller polkit refuses gets the refusal; the app keeps waiting for an administrator.
    const struct {
        const char* what;
        bool asNobody;
        bool approve;
    } cases[] = {
        {"approval refused", false, true},
        {"another uid's denial refused", true, false},
    };
    for (const auto& c : cases) {
        polkit_->setAuthorized(false);
        const auto id = app_->beginPairing();
        ASSERT_TRUE(id) << c.what;
        app_->startAwait(*id);
        const auto decide = [&](AdminTestClient& client) {
            const auto result = c.approve ? client.approvePairing(*id) : client.denyPairing(*id);
            return errorNameOf(result) == errorName(AdminError::authorizationFailed);
        };
        EXPECT_TRUE(c.asNobody ? runAsNobody(address(), decide) == 0 : decide(*control_)) << c.what;
        const auto pending = control_->pendingPairings();
        ASSERT_TRUE(pending) << c.what;
        ASSERT_EQ(pending->size(), 1u) << c.what;
        EXPECT_EQ(pending->front().id, *id) << c.what;

        polkit_->setAuthorized(true);
        ASSERT_TRUE(control_->approvePairing(*id)) << c.what;
        const auto token = app_->finishAwait();
        ASSERT_TRUE(token) << c.what << ": " << errorNameOf(token);
        EXPECT_EQ(app_->status(*token)->paired, true) << c.what;
    }
}

TEST_F(AdminHelperTest, ApprovalBeforeTheAppWaitsIsKeptForIt) {
    const auto id = app_->beginPairing();
    ASSERT_TRUE(id);
    ASSERT_TRUE(control_->approvePairing(*id));
    const auto token = app_->awaitPairing(*id);
    ASSERT_TRUE(token) << errorNameOf(token);
    EXPECT_EQ(app_->status(*token)->paired, true);
}

TEST_F(AdminHelperTest, ExpiredRequestIsUnknown) {
    startHelper(0ms);
    const auto id = app_->beginPairing();
    ASSERT_TRUE(id);
    EXPECT_EQ(errorNameOf(app_->awaitPairing(*id)), errorName(AdminError::unknownRequest));
    EXPECT_TRUE(control_->pendingPairings()->empty());
    EXPECT_EQ(errorNameOf(control_->approvePairing(*id)), errorName(AdminError::unknownRequest));
    EXPECT_TRUE(app_->beginPairing()) << "an expired request no longer blocks the next";
}

TEST_F(AdminHelperTest, ExpiryAnswersTheWaitingApp) {
    startHelper(300ms);
    const auto id = app_->beginPairing();
    ASSERT_TRUE(id);
    EXPECT_EQ(errorNameOf(app_->awaitPairing(*id)), errorName(AdminError::unknownRequest));
}

TEST_F(AdminHelperTest, AnotherUsersRequestIsRefused) {
    const auto id = app_->beginPairing();
    ASSERT_TRUE(id);
    EXPECT_EQ(runAsNobody(address(),
                          [&](AdminTestClient& other) {
                              return errorNameOf(other.awaitPairing(*id)) ==
                                     errorName(AdminError::wrongUser);
                          }),
              0);
    ASSERT_TRUE(control_->approvePairing(*id));
    EXPECT_TRUE(app_->awaitPairing(*id)) << "the owner still gets the token";
}

TEST_F(AdminHelperTest, UnpairForgetsOneToken) {
    const auto first = pair();
    const auto second = pair();
    ASSERT_TRUE(app_->unpair(first));
    EXPECT_EQ(app_->status(first)->paired, false);
    EXPECT_EQ(errorNameOf(app_->setServiceEnabled(kOfficeUuid, true, first)),
              errorName(AdminError::notPaired));
    EXPECT_EQ(app_->status(second)->paired, true);
    EXPECT_TRUE(app_->unpair(first)) << "an unknown token is unpaired already";
}

TEST_F(AdminHelperTest, UnpairAllLeavesOnlyStaleTokens) {
    const auto token = pair();
    ASSERT_TRUE(control_->unpairAll());
    EXPECT_EQ(polkit_->questions().size(), 2u) << "unpairing all asks polkit too";
    EXPECT_EQ(app_->status(token)->paired, false);
    EXPECT_EQ(errorNameOf(app_->setServiceEnabled(kOfficeUuid, true, token)),
              errorName(AdminError::notPaired));
    startHelper();
    EXPECT_EQ(app_->status(token)->paired, false) << "the file forgot it too";
}

TEST_F(AdminHelperTest, UnpairAllNeedsAuthorization) {
    const auto token = pair();
    polkit_->setAuthorized(false);
    EXPECT_EQ(errorNameOf(control_->unpairAll()), errorName(AdminError::authorizationFailed));
    EXPECT_EQ(app_->status(token)->paired, true);
}

TEST_F(AdminHelperTest, StateFileHoldsOnlyDigestsForRootAlone) {
    const auto token = pair();
    struct stat info {};
    ASSERT_EQ(stat(stateFile().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    EXPECT_EQ(info.st_uid, 0u);
    std::ifstream file(stateFile());
    std::stringstream content;
    content << file.rdbuf();
    EXPECT_EQ(content.str(), PairingStateText::encode({*TokenDigest::digest(token)}));
    EXPECT_EQ(content.str().find(token), std::string::npos);

    startHelper();
    EXPECT_EQ(app_->status(token)->paired, true) << "pairings outlive the helper";
}

TEST_F(AdminHelperTest, CallerLeavingWhileWaitingIsDropped) {
    auto leaving = connect();
    const auto id = leaving->beginPairing();
    ASSERT_TRUE(id);
    leaving->startAwait(*id);
    const std::string name = leaving->uniqueName();
    leaving.reset();
    // Once the bus has dropped the name, the helper has been told before anything later.
    for (int i = 0; i < 1000 && app_->nameHasOwner(name); ++i) {
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_TRUE(control_->pendingPairings()->empty());
    EXPECT_EQ(errorNameOf(control_->approvePairing(*id)), errorName(AdminError::unknownRequest));
    EXPECT_TRUE(app_->beginPairing()) << "the request went with its app";
    EXPECT_TRUE(app_->status(std::nullopt)) << "the helper is still there";
}

TEST_F(AdminHelperTest, TunnelOwnersAnswers) {
    EXPECT_TRUE(app_->tunnelOwners());
}

} // namespace
