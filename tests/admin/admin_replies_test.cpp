#include "admin/admin_replies.h"

#include "netcore/dbus/dbus_connection.h"

#include "private_bus_fixture.h"

#include <gtest/gtest.h>

#include <functional>

using namespace wirelark;
using namespace std::chrono_literals;

namespace {

using MessageWriter = std::function<int(sd_bus_message*)>;

// Messages written on a private bus's connection, sealed and read from the start as received
// ones are.
class AdminRepliesTest : public wirelark::testing::PrivateBusTest {
protected:
    BusMessage written(const MessageWriter& write) const {
        sd_bus_message* message = nullptr;
        EXPECT_GE(
            sd_bus_message_new_signal(client().get(), &message, "/test", "test.Admin", "Reply"), 0);
        BusMessage owned(message);
        EXPECT_GE(write(message), 0);
        EXPECT_GE(sd_bus_message_seal(message, 1, 0), 0);
        EXPECT_GE(sd_bus_message_rewind(message, 1), 0);
        return owned;
    }
};

} // namespace

TEST_F(AdminRepliesTest, StatusRoundTrips) {
    const AdminStatus cases[] = {
        {.version = "1.4.2", .protocol = 1, .paired = true},
        {.version = "0.9", .protocol = 0, .paired = false},
        {.version = std::nullopt, .protocol = 3, .paired = std::nullopt},
    };
    for (const AdminStatus& status : cases) {
        const auto message = written([&](sd_bus_message* m) { return appendStatus(m, status); });
        EXPECT_EQ(readStatus(message.get()), status) << status.protocol;
    }
}

TEST_F(AdminRepliesTest, StatusLeavesMissingAndMistypedMembersAbsent) {
    struct Case {
        const char* what;
        MessageWriter write;
        AdminStatus expected;
    };
    const Case cases[] = {
        {"no members", [](sd_bus_message* m) { return sd_bus_message_append(m, "a{sv}", 0); }, {}},
        {"every member mistyped",
         [](sd_bus_message* m) {
             return sd_bus_message_append(m, "a{sv}", 3, "version", "i", 2, "protocol", "s", "1",
                                          "paired", "i", 1);
         },
         {}},
        {"protocol of another width",
         [](sd_bus_message* m) {
             return sd_bus_message_append(m, "a{sv}", 1, "protocol", "u", 1u);
         },
         {}},
        {"a value wrapped twice",
         [](sd_bus_message* m) {
             return sd_bus_message_append(m, "a{sv}", 1, "paired", "v", "b", 1);
         },
         {}},
        {"unknown members among known ones",
         [](sd_bus_message* m) {
             return sd_bus_message_append(m, "a{sv}", 4, "future", "as", 2, "a", "b", "version",
                                          "s", "2.0", "protocol", "i", 2, "extra", "a{sv}", 0);
         },
         {.version = "2.0", .protocol = 2}},
        {"a later member of one key counts",
         [](sd_bus_message* m) {
             return sd_bus_message_append(m, "a{sv}", 3, "paired", "b", 1, "version", "s", "1",
                                          "paired", "s", "yes");
         },
         {.version = "1"}},
        {"not a dictionary",
         [](sd_bus_message* m) { return sd_bus_message_append(m, "as", 1, "version"); },
         {}},
        {"nothing at all", [](sd_bus_message*) { return 0; }, {}},
    };
    for (const Case& c : cases) {
        const auto message = written(c.write);
        EXPECT_EQ(readStatus(message.get()), c.expected) << c.what;
    }
}

TEST_F(AdminRepliesTest, TunnelOwnersRoundTrip) {
    const std::map<std::string, TunnelOwner> owners = {
        {"tun0", {.pid = 412, .name = "openvpn", .path = "/usr/sbin/openvpn"}},
        {"wg0", {.pid = 1, .name = "systemd", .path = ""}},
    };
    for (const auto& sent : {owners, std::map<std::string, TunnelOwner>{}}) {
        const auto message =
            written([&](sd_bus_message* m) { return appendTunnelOwners(m, sent); });
        EXPECT_EQ(readTunnelOwners(message.get()), sent);
    }
}

TEST_F(AdminRepliesTest, TunnelOwnersSkipIncompleteOwners) {
    const auto message = written([](sd_bus_message* m) {
        return sd_bus_message_append(
            m, "aa{sv}", 7,
            // Complete.
            4, "interface", "s", "tun0", "name", "s", "openvpn", "pid", "i", 412, "path", "s",
            "/usr/sbin/openvpn",
            // No path: read as "".
            3, "interface", "s", "tun1", "name", "s", "vpnc", "pid", "i", 7,
            // No pid.
            2, "interface", "s", "tun2", "name", "s", "a",
            // A pid of another type.
            3, "interface", "s", "tun3", "name", "s", "b", "pid", "u", 8u,
            // An interface of another type.
            3, "interface", "i", 4, "name", "s", "c", "pid", "i", 9,
            // No name.
            2, "interface", "s", "tun5", "pid", "i", 10,
            // A later owner of tun1 replaces the earlier one.
            3, "interface", "s", "tun1", "name", "s", "wireguard", "pid", "i", 11);
    });
    const std::map<std::string, TunnelOwner> expected = {
        {"tun0", {.pid = 412, .name = "openvpn", .path = "/usr/sbin/openvpn"}},
        {"tun1", {.pid = 11, .name = "wireguard", .path = ""}},
    };
    EXPECT_EQ(readTunnelOwners(message.get()), expected);

    const auto notAnArray = written([](sd_bus_message* m) {
        return sd_bus_message_append(m, "a{sv}", 1, "interface", "s", "tun0");
    });
    EXPECT_TRUE(readTunnelOwners(notAnArray.get()).empty());
}

TEST_F(AdminRepliesTest, PendingPairingsRoundTripAndSkipThoseWithoutAnID) {
    const std::vector<PendingPairing> pairings = {
        {.id = "r-1", .created = std::chrono::sys_seconds(1765360000s), .uid = 1000},
        {.id = "r-2", .created = std::nullopt, .uid = std::nullopt},
    };
    const auto message =
        written([&](sd_bus_message* m) { return appendPendingPairings(m, pairings); });
    EXPECT_EQ(readPendingPairings(message.get()), pairings);

    const auto partial = written([](sd_bus_message* m) {
        return sd_bus_message_append(m, "aa{sv}", 3, 1, "created", "x", int64_t{5}, 2, "id", "s",
                                     "r-3", "created", "s", "today", 1, "id", "i", 4);
    });
    const std::vector<PendingPairing> expected = {{.id = "r-3", .created = std::nullopt}};
    EXPECT_EQ(readPendingPairings(partial.get()), expected);
}

TEST_F(AdminRepliesTest, APendingPairingsUidOutsideTheRangeOfUidsReadsAsAbsent) {
    const struct {
        int64_t sent;
        std::optional<uint32_t> read;
    } cases[] = {
        {0, 0},
        {1000, 1000},
        {4294967294, 4294967294u},
        {4294967295, std::nullopt},
        {4294967296, std::nullopt},
        {-1, std::nullopt},
    };
    for (const auto& c : cases) {
        const auto message = written([&](sd_bus_message* m) {
            return sd_bus_message_append(m, "aa{sv}", 1, 2, "id", "s", "r-1", "uid", "x", c.sent);
        });
        const auto pairings = readPendingPairings(message.get());
        ASSERT_EQ(pairings.size(), 1u) << c.sent;
        EXPECT_EQ(pairings[0].uid, c.read) << c.sent;
    }
}
