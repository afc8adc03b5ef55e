#include "netcore/interfaces/interface_fingerprint.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <unordered_set>

using namespace wirelark;
using nlohmann::json;

namespace {

InterfaceFingerprint fp(std::string key, std::string name, std::optional<std::string> title = {},
                        std::optional<std::string> address = {}, bool permanent = false) {
    return {std::move(key), std::move(name), std::move(title), std::move(address), permanent};
}

} // namespace

TEST(InterfaceFingerprint, StoredFormRoundTripsAndOmitsAbsentMembers) {
    const auto full = fp("en:aa:bb", "eth0", "Office", "aa:bb", true);
    EXPECT_EQ(toJson(full).dump(), R"({"key":"en:aa:bb","name":"eth0","title":"Office",)"
                                   R"("address":"aa:bb","permanentAddress":true})");
    EXPECT_EQ(toJson(fp("name:tun0", "tun0")).dump(),
              R"({"key":"name:tun0","name":"tun0","permanentAddress":false})");
    EXPECT_EQ(fingerprintFromJson(json::parse(toJson(full).dump())), full);

    const std::pair<const char*, std::optional<InterfaceFingerprint>> cases[] = {
        {R"({"key":"k","name":"n"})", fp("k", "n")},
        {R"({"key":"k","name":"n","title":null,"address":null,"permanentAddress":null})",
         fp("k", "n")},
        {R"({"key":"k","name":"n","extra":1})", fp("k", "n")},
        {R"({"name":"n"})", std::nullopt},
        {R"({"key":"k"})", std::nullopt},
        {R"({"key":1,"name":"n"})", std::nullopt},
        {R"({"key":"k","name":"n","title":5})", std::nullopt},
        {R"({"key":"k","name":"n","permanentAddress":"yes"})", std::nullopt},
        {R"(["k","n"])", std::nullopt},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(fingerprintFromJson(json::parse(text)), expected);
    }
    std::unordered_set<InterfaceFingerprint> set{full, full, fp("k", "n")};
    EXPECT_EQ(set.size(), 2u);
}

TEST(PinMatcher, ResolvesByTheTieBreakRules) {
    struct Case {
        const char* what;
        std::vector<InterfaceFingerprint> pins;
        std::vector<InterfaceFingerprint> live;
        std::vector<std::optional<std::string>> keys;
    };
    const Case cases[] = {
        {"exact key, first live entry wins",
         {fp("k1", "eth0")},
         {fp("x", "eth0"), fp("k1", "eth5"), fp("k1", "eth6")},
         {"k1"}},
        {"a key claimed by a later pin is no candidate for an earlier one",
         {fp("old", "eth0"), fp("k2", "eth9")},
         {fp("k2", "eth0")},
         {std::nullopt, "k2"}},
        {"USB adapter back under another name and key, found by address",
         {fp("usb-old", "eth1", "USB LAN", "00:11:22")},
         {fp("x", "eth1", "USB LAN"), fp("usb-new", "eth3", "Other", "00:11:22")},
         {"usb-new"}},
        {"address beats title",
         {fp("p", "eth1", "Dock", "aa")},
         {fp("t", "eth1", "Dock"), fp("a", "eth2", "Else", "aa")},
         {"a"}},
        {"unmatched address falls back to title",
         {fp("p", "eth1", "Dock", "aa")},
         {fp("t", "eth7", "Dock", "bb")},
         {"t"}},
        {"two tunnels with one owner: the old name decides",
         {fp("name:tun1", "tun1", "Tunnel Tool")},
         {fp("name:tun0", "tun0", "Tunnel Tool"), fp("name:tun3", "tun1", "Tunnel Tool")},
         {"name:tun3"}},
        {"two tunnels with one owner and neither old name: unmatched",
         {fp("name:tun1", "tun1", "Tunnel Tool")},
         {fp("name:tun0", "tun0", "Tunnel Tool"), fp("name:tun2", "tun2", "Tunnel Tool")},
         {std::nullopt}},
        {"a title never falls back to a pure name match",
         {fp("p", "tun0", "Tunnel Tool")},
         {fp("q", "tun0", "Other Tool"), fp("r", "tun0")},
         {std::nullopt}},
        {"one title match wins whatever its name",
         {fp("p", "tun0", "Tunnel Tool")},
         {fp("q", "tun0"), fp("r", "tun7", "Tunnel Tool")},
         {"r"}},
        {"no title: the first candidate with the name",
         {fp("p", "tun0")},
         {fp("q", "tun1"), fp("r", "tun0", "T"), fp("s", "tun0")},
         {"r"}},
        {"permanent-address pin is matched by key only",
         {fp("en:aa", "eth0", "Wired", "aa", true)},
         {fp("en:bb", "eth0", "Wired", "aa")},
         {std::nullopt}},
        {"permanent-address live interfaces are no fuzzy candidates",
         {fp("p", "eth0")},
         {fp("en:bb", "eth0", std::nullopt, "bb", true)},
         {std::nullopt}},
        {"two pins wanting one interface: the earlier gets it",
         {fp("p1", "eth0"), fp("p2", "eth0")},
         {fp("live", "eth0")},
         {"live", std::nullopt}},
        {"an exact match does not claim for later fuzzy pins beyond its key",
         {fp("live", "eth0"), fp("p2", "eth0")},
         {fp("live", "eth0"), fp("other", "eth0")},
         {"live", "other"}},
        {"empty live", {fp("a", "x"), fp("b", "y")}, {}, {std::nullopt, std::nullopt}},
        {"empty pins", {}, {fp("a", "x")}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto results = PinMatcher::resolve(c.pins, c.live);
        std::vector<std::optional<std::string>> keys;
        for (const auto& result : results) {
            keys.push_back(result ? std::optional(result->key) : std::nullopt);
        }
        EXPECT_EQ(keys, c.keys);
    }
}
