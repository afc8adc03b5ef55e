#include "admin/admin_error.h"

#include <gtest/gtest.h>

using namespace wirelark;

TEST(AdminError, CodesAndDescriptions) {
    struct Case {
        AdminError error;
        int code;
        std::string_view caseName;
        std::string_view description;
    };
    const Case cases[] = {
        {AdminError::notPaired, 1, "notPaired", "This app isn't paired with the admin helper"},
        {AdminError::unknownService, 2, "unknownService", "No such network service"},
        {AdminError::unknownRequest, 3, "unknownRequest", "The pairing request has expired"},
        {AdminError::authorizationFailed, 4, "authorizationFailed",
         "Administrator authorization failed"},
        {AdminError::wrongUser, 5, "wrongUser", "The pairing request belongs to another user"},
        {AdminError::configurationFailed, 6, "configurationFailed",
         "The system refused the network configuration change"},
        {AdminError::alreadyPending, 7, "alreadyPending",
         "A pairing request is already waiting for approval"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caseName);
        EXPECT_EQ(rawValue(c.error), c.code);
        EXPECT_EQ(adminErrorFromRawValue(c.code), c.error);
        EXPECT_EQ(caseName(c.error), c.caseName);
        EXPECT_EQ(description(c.error), c.description);
    }
    EXPECT_EQ(adminErrorDomain, "com.quillfern.Wirelark.admin");
}

TEST(AdminError, RawValuesOutsideTheCodesGiveNoError) {
    const std::pair<int, std::optional<AdminError>> cases[] = {
        {0, std::nullopt},
        {4, AdminError::authorizationFailed},
        {8, std::nullopt},
        {-1, std::nullopt},
    };
    for (const auto& [raw, error] : cases) {
        EXPECT_EQ(adminErrorFromRawValue(raw), error) << raw;
    }
}
