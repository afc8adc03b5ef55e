#include "admin/admin_constants.h"

#include "command_output.h"
#include "fake_admin_helper.h"
#include "private_bus_fixture.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

using namespace wirelark;
using namespace wirelark::testing;

namespace {

class AdminCommandTest : public PrivateBusTest {
protected:
    void SetUpOnBus() override {
        helper_ = std::make_unique<FakeAdminHelper>(
            address(), AdminTeamNames::configured().busName,
            FakeAdminHelperScript{.tokens = {"token-1"},
                                  .tunnelOwners = {{{"interface", std::string("tun0")},
                                                    {"name", std::string("openvpn")},
                                                    {"pid", int32_t{42}},
                                                    {"path", std::string("/usr/sbin/openvpn")}}}});
        ASSERT_TRUE(helper_->ready());
    }
    void TearDownOnBus() override { helper_.reset(); }

    // The private bus stands in for the system bus; no session bus, so no keyring either, and
    // the token goes to the file under the test's data folder.
    CommandOutput admin(const std::string& arguments, const std::string& systemBus = {}) const {
        return runCapturing("DBUS_SYSTEM_BUS_ADDRESS='" +
                            (systemBus.empty() ? address() : systemBus) +
                            "' DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent DISPLAY= "
                            "XDG_DATA_HOME=" +
                            data_.path().string() + " " + std::string(WIRELARK_CLI) + " admin " +
                            arguments + " 2>&1");
    }

    std::filesystem::path tokenFile() const { return data_.path() / "Wirelark" / "admin-token"; }

    TempDir data_;
    std::unique_ptr<FakeAdminHelper> helper_;
};

TEST_F(AdminCommandTest, PairsSwitchesAServiceListsOwnersAndUnpairs) {
    CommandOutput run = admin("status --json");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, "{\n  \"state\": \"notPaired\",\n  \"helperVersion\": \"1.2\",\n"
                          "  \"helperProtocol\": 1,\n  \"helperNeedsUpdate\": false\n}\n");

    run = admin("enable uuid-1");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output, "wirelark-cli admin: This app isn't paired with the admin helper\n");

    run = admin("pair");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("Paired\n"), std::string::npos) << run.output;
    EXPECT_TRUE(std::filesystem::exists(tokenFile()));

    run = admin("status");
    EXPECT_EQ(run.output, "Status: Paired (1.2)\nHelper protocol: 1\n");

    run = admin("disable uuid-1 --json");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, "{\n  \"ok\": true\n}\n");
    EXPECT_EQ(helper_->calls().back().arguments,
              (std::vector<std::string>{"uuid-1", "false", "token-1"}));

    run = admin("tunnel-owners");
    EXPECT_EQ(run.output, "tun0: openvpn (pid 42) /usr/sbin/openvpn\n");

    run = admin("unpair");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, "Unpaired\n");
    EXPECT_EQ(helper_->calls().back().method, "Unpair");
    EXPECT_FALSE(std::filesystem::exists(tokenFile()));
}

TEST_F(AdminCommandTest, AMissingHelperIsNotInstalledAndOneActionIsAsked) {
    helper_.reset();
    CommandOutput run = admin("status");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output, "Status: Not installed\nHelper protocol: 0\n");
    for (const char* arguments : {"", "status pair", "--json"}) {
        run = admin(arguments);
        EXPECT_EQ(run.status, 2) << arguments;
    }
}

// The token is forgotten here either way, but only the helper's answer makes it a success.
TEST_F(AdminCommandTest, UnpairingFailsWhenTheHelperIsNotReached) {
    helper_.reset();
    for (const std::string& systemBus : {std::string(), std::string("unix:path=/nonexistent")}) {
        std::filesystem::create_directories(tokenFile().parent_path());
        std::ofstream(tokenFile()) << "token-1";
        const CommandOutput run = admin("unpair", systemBus);
        EXPECT_EQ(run.status, 1) << systemBus << ": " << run.output;
        EXPECT_EQ(run.output.find("Unpaired"), std::string::npos) << run.output;
        EXPECT_FALSE(std::filesystem::exists(tokenFile()));
    }
}

} // namespace
