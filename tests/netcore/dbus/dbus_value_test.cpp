#include "netcore/dbus/dbus_connection.h"
#include "netcore/dbus/dbus_value.h"

#include "private_bus_fixture.h"

#include <gtest/gtest.h>

using namespace wirelark;
using nlohmann::json;

namespace {

// A message built on a private bus, sealed and read from the start as a received one would be.
class DbusValue : public wirelark::testing::PrivateBusTest {
protected:
    void SetUpOnBus() override {
        ASSERT_GE(
            sd_bus_message_new_signal(client().get(), &built_, "/test", "test.Values", "Changed"),
            0);
    }
    void TearDownOnBus() override { sd_bus_message_unref(built_); }
    sd_bus_message* rewound() {
        sd_bus_message_seal(built_, 1, 0);
        sd_bus_message_rewind(built_, 1);
        return built_;
    }

    sd_bus_message* built_ = nullptr;
};

} // namespace

TEST_F(DbusValue, ReadsEveryKindOfValue) {
    const uint8_t bytes[] = {0, 0xfe};
    ASSERT_GE(sd_bus_message_append(built_, "ybnqiuxtdso", 7, 1, -2, 3, -4, 5u, int64_t{-6},
                                    uint64_t{7}, 0.5, "text", "/org/x"),
              0);
    ASSERT_GE(sd_bus_message_append_array(built_, 'y', bytes, sizeof bytes), 0);
    ASSERT_GE(sd_bus_message_append(built_, "a{sv}", 2, "uuid", "s", "u-1", "flags", "u", 8u), 0);
    ASSERT_GE(sd_bus_message_append(built_, "a{ias}", 1, 42, 2, "a", "b"), 0);
    ASSERT_GE(sd_bus_message_append(built_, "(sv)", "nested", "v", "b", 0), 0);
    ASSERT_GE(sd_bus_message_append(built_, "a{sa{sv}}", 1, "connection", 1, "timestamp", "t",
                                    uint64_t{1700000000}),
              0);

    sd_bus_message* message = rewound();
    std::vector<json> values;
    while (auto value = readBusValue(message)) {
        values.push_back(std::move(*value));
    }
    const std::vector<json> expected = {
        7,
        true,
        -2,
        3,
        -4,
        5u,
        -6,
        7u,
        0.5,
        "text",
        "/org/x",
        json::array({0, 254}),
        {{"uuid", "u-1"}, {"flags", 8u}},
        {{"42", json::array({"a", "b"})}},
        json::array({"nested", false}),
        {{"connection", {{"timestamp", 1700000000u}}}},
    };
    EXPECT_EQ(values, expected);
    EXPECT_FALSE(readBusValue(message)) << "the message is exhausted";
}

TEST_F(DbusValue, EmptyContainersAreEmpty) {
    ASSERT_GE(sd_bus_message_append(built_, "asa{sv}", 0, 0), 0);
    sd_bus_message* message = rewound();
    EXPECT_EQ(readBusValue(message), json::array());
    EXPECT_EQ(readBusValue(message), json::object());
}
