#include "admin/admin_bus_error.h"

#include <gtest/gtest.h>

using namespace wirelark;

TEST(AdminBusError, EveryErrorHasANameThatLeadsBackToIt) {
    const std::pair<AdminError, std::string_view> cases[] = {
        {AdminError::notPaired, "com.quillfern.Wirelark.admin.Error.NotPaired"},
        {AdminError::unknownService, "com.quillfern.Wirelark.admin.Error.UnknownService"},
        {AdminError::unknownRequest, "com.quillfern.Wirelark.admin.Error.UnknownRequest"},
        {AdminError::authorizationFailed, "com.quillfern.Wirelark.admin.Error.AuthorizationFailed"},
        {AdminError::wrongUser, "com.quillfern.Wirelark.admin.Error.WrongUser"},
        {AdminError::configurationFailed, "com.quillfern.Wirelark.admin.Error.ConfigurationFailed"},
        {AdminError::alreadyPending, "com.quillfern.Wirelark.admin.Error.AlreadyPending"},
    };
    for (const auto& [error, name] : cases) {
        EXPECT_EQ(busErrorName(error), name);
        EXPECT_EQ(adminErrorFromBusErrorName(name), error) << name;
    }
}

TEST(AdminBusError, OtherNamesAreNoAdminError) {
    for (const std::string_view name : {
             "",
             "com.quillfern.Wirelark.admin.Error.Unknown",
             "com.quillfern.Wirelark.admin.Error.notPaired",
             "com.quillfern.Wirelark.admin.Error.NotPaired.More",
             "org.freedesktop.DBus.Error.ServiceUnknown",
         }) {
        EXPECT_EQ(adminErrorFromBusErrorName(name), std::nullopt) << name;
    }
}

TEST(AdminBusError, FillsTheErrorAHandlerSends) {
    sd_bus_error error = SD_BUS_ERROR_NULL;
    EXPECT_LT(setBusError(&error, AdminError::wrongUser), 0);
    EXPECT_STREQ(error.name, "com.quillfern.Wirelark.admin.Error.WrongUser");
    EXPECT_STREQ(error.message, "The pairing request belongs to another user");
    sd_bus_error_free(&error);
}
