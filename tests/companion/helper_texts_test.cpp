#include "companion/helper_texts.h"

#include "admin/admin_bus_error.h"

#include <gtest/gtest.h>

using namespace wirelark;

TEST(HelperTextsTest, TheStatusLineNamesTheVersionOrAsksForAnUpdate) {
    // A null version is one the helper did not send.
    const struct {
        const char* version;
        int32_t protocol;
        std::string text;
    } cases[] = {
        {"1.4.2", 1, "Admin helper 1.4.2 is running."},
        {"2.0", 2, "Admin helper 2.0 is running."},
        {nullptr, 1, "The admin helper is running."},
        {"0.9", 0, "Admin helper 0.9 is too old for Wirelark Admin. Update the admin helper."},
        {nullptr, 0, "The admin helper is too old for Wirelark Admin. Update the admin helper."},
    };
    for (const auto& c : cases) {
        AdminStatus status{.protocol = c.protocol};
        if (c.version != nullptr) {
            status.version = c.version;
        }
        EXPECT_EQ(helperStatusText(status), c.text);
    }
}

TEST(HelperTextsTest, ACallErrorReadsAsWhatItMeansForTheUser) {
    const struct {
        BusError error;
        std::string text;
    } cases[] = {
        {{busErrorName(AdminError::authorizationFailed), "anything"},
         "Administrator authorization failed."},
        {{busErrorName(AdminError::unknownRequest), ""}, "The pairing request has expired."},
        {{"org.freedesktop.DBus.Error.ServiceUnknown", "The name is not activatable"},
         "The admin helper isn't installed or isn't running."},
        {{"org.freedesktop.DBus.Error.NoReply", "timeout"}, "The admin helper didn't answer."},
        {{"org.freedesktop.DBus.Error.Disconnected", ""},
         "Wirelark Admin can't reach the system bus."},
        {{"org.freedesktop.DBus.Error.UnknownMethod", "no such method"},
         "The admin helper doesn't understand this version of Wirelark Admin. Update the admin "
         "helper."},
        {{"org.example.Odd", "it broke"}, "The admin helper call failed: it broke"},
        {{"org.example.Odd", ""}, "The admin helper call failed: org.example.Odd"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(callErrorText(c.error), c.text) << c.error.name;
    }
}
