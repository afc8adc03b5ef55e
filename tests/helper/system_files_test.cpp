// The helper's system files as configured for this build: they name what the protocol library
// names, and the bus policy lets anyone call the helper while only root owns its names.
#include "admin/admin_constants.h"

#include "admin_test_client.h"
#include "as_other_user.h"
#include "helper_process.h"
#include "private_bus.h"
#include "temp_dir.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>

using namespace wirelark;
using namespace wirelark::testing;

namespace {

const std::filesystem::path kData = WIRELARK_DATA_BUILD_DIR;
const std::filesystem::path kSourceData = std::filesystem::path(WIRELARK_SOURCE_DIR) / "data";

std::string contentOf(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

TEST(SystemFilesTest, NameWhatTheProtocolNames) {
    const auto& names = AdminTeamNames::configured();
    const struct {
        std::filesystem::path file;
        std::vector<std::string> lines;
    } cases[] = {
        {kData / "wirelark-admin-helper.conf",
         {"<allow own=\"" + names.busName + "\"/>", "<allow own=\"" + names.controlBusName + "\"/>",
          "<allow send_destination=\"" + names.busName + "\"/>",
          "<allow send_destination=\"" + names.controlBusName + "\"/>"}},
        {kData / "wirelark-admin-helper.service",
         {"BusName=" + names.busName, "StateDirectory=wirelark-admin", "ProtectSystem=strict"}},
        {kData / (names.busName + ".service"),
         {"Name=" + names.busName, "SystemdService=wirelark-admin-helper.service"}},
        {kData / (names.controlBusName + ".service"),
         {"Name=" + names.controlBusName, "SystemdService=wirelark-admin-helper.service"}},
        {kSourceData / "com.quillfern.Wirelark.admin.policy",
         {"<action id=\"" + std::string(AdminConstants::pairingName) + "\">",
          "<allow_active>auth_admin_keep</allow_active>"}},
    };
    for (const auto& c : cases) {
        const std::string content = contentOf(c.file);
        ASSERT_FALSE(content.empty()) << c.file;
        for (const auto& line : c.lines) {
            EXPECT_NE(content.find(line), std::string::npos) << c.file << " lacks " << line;
        }
    }
}

TEST(SystemFilesTest, PolicyLetsAnyoneCallAndOnlyRootOwn) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "calling as another user needs root";
    }
    const auto& names = AdminTeamNames::configured();
    const struct {
        bool withPolicy;
        bool othersMayCall;
    } cases[] = {{true, true}, {false, false}};
    for (const auto& c : cases) {
        std::string why;
        auto bus = PrivateBus::startSystemLike(
            why, c.withPolicy ? std::vector{kData / "wirelark-admin-helper.conf"}
                              : std::vector<std::filesystem::path>{});
        if (!bus) {
            GTEST_SKIP() << why;
        }
        bus->openToAllUsers();
        const TempDir state;
        const HelperProcess helper(bus->address(), state.path());
        ASSERT_TRUE(helper.ready());
        EXPECT_EQ(runAsNobody(bus->address(),
                              [&](AdminTestClient& client) {
                                  return client.status(std::nullopt).has_value() ==
                                             c.othersMayCall &&
                                         client.controlStatus().has_value() == c.othersMayCall;
                              }),
                  0)
            << (c.withPolicy ? "with" : "without") << " the policy";
        EXPECT_EQ(runAsNobody(bus->address(),
                              [&](AdminTestClient& client) {
                                  return client.requestName(names.busName) < 0 &&
                                         client.requestName(names.controlBusName) < 0;
                              }),
                  0)
            << "only root may own the helper's names";
    }
}

} // namespace
