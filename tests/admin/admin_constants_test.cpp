#include "admin/admin_constants.h"
#include "admin/bus_name.h"

#include <gtest/gtest.h>

using namespace wirelark;

TEST(AdminConstants, DerivesEveryNameFromTheTeamID) {
    struct Case {
        std::string_view teamID;
        std::string machServiceName;
        std::string controlMachServiceName;
        std::string busName;
        std::string controlBusName;
    };
    const Case cases[] = {
        {"", "TEAMID0000.com.quillfern.Wirelark.admin",
         "TEAMID0000.com.quillfern.Wirelark.admin-control",
         "TEAMID0000.com.quillfern.Wirelark.admin",
         "TEAMID0000.com.quillfern.Wirelark.admin-control"},
        {"QF7XK29ABC", "QF7XK29ABC.com.quillfern.Wirelark.admin",
         "QF7XK29ABC.com.quillfern.Wirelark.admin-control",
         "QF7XK29ABC.com.quillfern.Wirelark.admin",
         "QF7XK29ABC.com.quillfern.Wirelark.admin-control"},
        // A bus name element may not start with a digit; the service names keep the team id.
        {"1ABC", "1ABC.com.quillfern.Wirelark.admin", "1ABC.com.quillfern.Wirelark.admin-control",
         "_1ABC.com.quillfern.Wirelark.admin", "_1ABC.com.quillfern.Wirelark.admin-control"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.teamID);
        const AdminTeamNames names = AdminTeamNames::forTeam(c.teamID);
        const std::string teamID = c.teamID.empty() ? "TEAMID0000" : std::string(c.teamID);
        EXPECT_EQ(names.teamID, teamID);
        EXPECT_EQ(names.servicePrefix, teamID + ".com.quillfern.Wirelark");
        EXPECT_EQ(names.machServiceName, c.machServiceName);
        EXPECT_EQ(names.controlMachServiceName, c.controlMachServiceName);
        EXPECT_EQ(names.busName, c.busName);
        EXPECT_EQ(names.controlBusName, c.controlBusName);
    }
}

TEST(AdminConstants, QuotesTheTeamIDInTheSigningRequirements) {
    const AdminTeamNames names = AdminTeamNames::forTeam("QF7XK29ABC");
    EXPECT_EQ(names.appRequirement,
              "(anchor apple generic and certificate leaf[field.1.2.840.113635.100.6.1.9] or "
              "anchor apple generic and certificate 1[field.1.2.840.113635.100.6.2.6] and "
              "certificate leaf[field.1.2.840.113635.100.6.1.13] and certificate leaf[subject.OU] "
              "= \"QF7XK29ABC\") and identifier \"com.quillfern.Wirelark\"");
    EXPECT_EQ(names.controlRequirement,
              "anchor apple generic and certificate 1[field.1.2.840.113635.100.6.2.6] and "
              "certificate leaf[field.1.2.840.113635.100.6.1.13] and certificate leaf[subject.OU] "
              "= \"QF7XK29ABC\" and identifier \"com.quillfern.Wirelark.Admin\"");
}

TEST(AdminConstants, FixedNames) {
    EXPECT_EQ(AdminConstants::appBundleID, "com.quillfern.Wirelark");
    EXPECT_EQ(AdminConstants::adminAppBundleID, "com.quillfern.Wirelark.Admin");
    EXPECT_EQ(AdminConstants::helperLabel, "com.quillfern.Wirelark.admin");
    EXPECT_EQ(AdminConstants::launchdPlistPath,
              "/Library/LaunchDaemons/" + std::string(AdminConstants::helperLabel) + ".plist");
    EXPECT_EQ(AdminConstants::pairingName, "com.quillfern.Wirelark.admin.pair");
    EXPECT_EQ(AdminConstants::protocolVersion, 1);
}

TEST(AdminConstants, ConfiguredNamesAreComputedOnce) {
    const AdminTeamNames& names = AdminTeamNames::configured();
    EXPECT_EQ(&names, &AdminTeamNames::configured());
    EXPECT_FALSE(names.teamID.empty());
    EXPECT_EQ(names, AdminTeamNames::forTeam(names.teamID));
}

TEST(BusName, PrefixesElementsThatStartWithADigit) {
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"TEAMID0000.com.quillfern.Wirelark.admin", "TEAMID0000.com.quillfern.Wirelark.admin"},
        {"1ABC.com.quillfern.Wirelark.admin", "_1ABC.com.quillfern.Wirelark.admin"},
        {"a.2b.c3.4", "a._2b.c3._4"},
        {"A1.b-2", "A1.b-2"},
        {"", ""},
    };
    for (const auto& [service, busName] : cases) {
        EXPECT_EQ(busNameForService(service), busName) << service;
    }
}
