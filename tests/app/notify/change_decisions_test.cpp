#include "app/notify/change_decisions.h"

#include "item_fixtures.h"

#include <gtest/gtest.h>

namespace wirelark {
namespace {

using testing::presentItem;
using testing::runningSnapshot;

// An interface with an enabled connection profile named `profile`, so it is watched.
InterfaceItem withProfile(InterfaceItem item, const std::string& profile) {
    NetworkService service;
    service.id = "uuid-" + item.name;
    service.name = profile;
    service.enabled = true;
    item.service = std::move(service);
    return item;
}

InterfaceItem wifi(std::vector<std::string> ipv4, std::vector<std::string> ipv6 = {},
                   std::optional<std::string> ssid = std::nullopt) {
    InterfaceItem item = withProfile(
        presentItem("wifi:en0", runningSnapshot("en0", std::move(ipv4), std::move(ipv6))), "Wi-Fi");
    item.wifi.emplace();
    item.wifi->ssid = std::move(ssid);
    return item;
}

InterfaceItem ethernet(std::vector<std::string> ipv4) {
    return withProfile(presentItem("ether:en1", runningSnapshot("en1", std::move(ipv4))), "Wired");
}

// Neither pinned nor with a profile.
InterfaceItem bare(const std::string& name, std::vector<std::string> ipv4) {
    return presentItem("name:" + name, runningSnapshot(name, std::move(ipv4)));
}

struct Call {
    std::vector<InterfaceItem> items;
    std::optional<std::string> primary;
};

struct Case {
    const char* what;
    std::vector<Call> calls;              // every call before the last only records
    std::vector<Notification> expected;   // what the last call posts
    std::vector<std::string> pinned = {}; // keys
};

SettingsData allSwitchesOn(const std::vector<std::string>& pinned) {
    SettingsData settings;
    settings.notifyLinkChange = true;
    settings.notifyAddressChange = true;
    settings.notifyPrimaryChange = true;
    settings.notifySSIDChange = true;
    settings.notifyPublicIPChange = true;
    for (const auto& key : pinned) {
        settings.pinned.push_back({key, key, std::nullopt, std::nullopt, false});
    }
    return settings;
}

const Case kCases[] = {
    {"the first call only records",
     {{{wifi({"192.168.1.5"}, {}, "Home"), ethernet({"10.0.0.2"})}, "en0"}},
     {}},
    {"link down with only fe80 left: disconnected, no address notification",
     {{{wifi({"192.168.1.5"}, {"fe80::1"})}, "en0"}, {{wifi({}, {"fe80::1"})}, "en0"}},
     {{"en0 (Wi-Fi) is disconnected", ""}}},
    {"link up",
     {{{wifi({}, {"fe80::1"})}, std::nullopt}, {{wifi({"192.168.1.5"}, {"fe80::1"})}, "en0"}},
     {{"en0 (Wi-Fi) is connected", ""},
      {"en0 (Wi-Fi) address changed", "192.168.1.5"},
      {"Primary interface is now en0 (Wi-Fi)", ""}}},
    {"address change lists the new addresses sorted, without fe80",
     {{{wifi({"192.168.1.5"}, {"fe80::1"})}, "en0"},
      {{wifi({"192.168.1.7"}, {"FE80::1", "2001:db8::9", "2001:db8::10"})}, "en0"}},
     {{"en0 (Wi-Fi) address changed", "192.168.1.7, 2001:db8::10, 2001:db8::9"}}},
    {"a change of link-local addresses only",
     {{{wifi({"192.168.1.5"}, {"fe80::1"})}, "en0"}, {{wifi({"192.168.1.5"}, {"Fe80::2"})}, "en0"}},
     {}},
    {"an unwatched interface posts nothing of its own but is named as primary",
     {{{bare("eth7", {"10.1.1.1"}), ethernet({"10.0.0.2"})}, "en1"},
      {{bare("eth7", {"10.1.1.2"}), ethernet({"10.0.0.2"})}, "eth7"}},
     {{"Primary interface is now eth7 (Ethernet)", ""}}},
    {"a pinned interface is watched",
     {{{bare("eth7", {"10.1.1.1"})}, std::nullopt}, {{bare("eth7", {"10.1.1.2"})}, std::nullopt}},
     {{"eth7 (Ethernet) address changed", "10.1.1.2"}},
     {"name:eth7"}},
    {"the same network again",
     {{{wifi({"192.168.1.5"}, {}, "Home")}, "en0"}, {{wifi({"192.168.1.5"}, {}, "Home")}, "en0"}},
     {}},
    {"a network after none",
     {{{wifi({"192.168.1.5"})}, "en0"}, {{wifi({"192.168.1.5"}, {}, "Café")}, "en0"}},
     {{"Wi-Fi joined Café", ""}}},
    {"another network",
     {{{wifi({"192.168.1.5"}, {}, "Home")}, "en0"}, {{wifi({"192.168.1.5"}, {}, "Work")}, "en0"}},
     {{"Wi-Fi joined Work", ""}}},
    {"primary to none",
     {{{ethernet({"10.0.0.2"})}, "en1"}, {{ethernet({"10.0.0.2"})}, std::nullopt}},
     {{"No primary interface", ""}}},
    {"primary from none",
     {{{ethernet({"10.0.0.2"})}, std::nullopt}, {{ethernet({"10.0.0.2"})}, "en1"}},
     {{"Primary interface is now en1 (Wired)", ""}}},
    {"primary names an interface not in the list",
     {{{ethernet({"10.0.0.2"})}, "en1"}, {{ethernet({"10.0.0.2"})}, "ppp0"}},
     {{"No primary interface", ""}}},
    {"an interface that comes or goes posts nothing of its own",
     {{{ethernet({"10.0.0.2"})}, "en1"}, {{wifi({"192.168.1.5"}, {}, "Home")}, "en1"}},
     {}},
    {"the first of two items with one key is compared",
     {{{ethernet({"10.0.0.2"})}, "en1"}, {{ethernet({"10.0.0.3"}), ethernet({"10.0.0.2"})}, "en1"}},
     {{"en1 (Wired) address changed", "10.0.0.3"}}},
};

TEST(ChangeDecisions, ItemCheckTable) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        const SettingsData settings = allSwitchesOn(c.pinned);
        NotifierState state;
        ItemCheck check;
        for (const Call& call : c.calls) {
            check = checkItems(state, call.items, call.primary, settings);
            state = check.state;
        }
        EXPECT_EQ(check.notifications, c.expected);
    }
}

TEST(ChangeDecisions, SwitchedOffPostsNothingButStillRecords) {
    SettingsData off;
    const std::vector<InterfaceItem> before{wifi({"192.168.1.5"}, {}, "Home")};
    const std::vector<InterfaceItem> after{wifi({}, {}, "Work")};
    ItemCheck check = checkItems({}, before, "en0", off);
    check = checkItems(check.state, after, std::nullopt, off);
    EXPECT_TRUE(check.notifications.empty());
    // Turned on now, it compares with the state recorded while off.
    check = checkItems(check.state, after, std::nullopt, allSwitchesOn({}));
    EXPECT_TRUE(check.notifications.empty());
}

TEST(ChangeDecisions, PublicAddressTable) {
    const PublicIPResult v4{"203.0.113.5", std::nullopt, std::nullopt};
    const PublicIPResult v4AndV6{"203.0.113.5", "2001:db8::5", std::nullopt};
    const PublicIPResult otherV4{"203.0.113.9", std::nullopt, std::nullopt};
    const PublicIPResult v6{std::nullopt, "2001:db8::5", std::nullopt};
    const PublicIPResult failed{std::nullopt, std::nullopt, "The request timed out."};
    struct PublicCase {
        const char* what;
        std::optional<PublicIPResult> old;
        PublicIPResult fresh;
        bool enabled;
        std::optional<Notification> expected;
    };
    const PublicCase cases[] = {
        {"the first lookup", std::nullopt, v4, true, std::nullopt},
        {"unchanged", v4, v4, true, std::nullopt},
        {"a failed lookup", v4, failed, true, std::nullopt},
        {"after a failed lookup", failed, otherV4, true, std::nullopt},
        {"switched off", v4, otherV4, false, std::nullopt},
        {"a new IPv4 address", v4, otherV4, true, Notification{"Public IP changed", "203.0.113.9"}},
        {"a new IPv6 address", v4, v4AndV6, true,
         Notification{"Public IP changed", "203.0.113.5\n2001:db8::5"}},
        {"IPv6 only now", v4AndV6, v6, true, Notification{"Public IP changed", "2001:db8::5"}},
    };
    for (const PublicCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(checkPublicAddress(c.old, c.fresh, c.enabled), c.expected);
    }
}

} // namespace
} // namespace wirelark
