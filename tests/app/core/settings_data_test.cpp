#include "app/core/settings_data.h"

#include <gtest/gtest.h>

#include <cmath>

#include <nlohmann/json.hpp>

using namespace wirelark;
using Json = nlohmann::json;

namespace {

SettingsData everythingChanged() {
    SettingsData s;
    s.showInactiveByDefault = true;
    s.updateInterval = 2.5;
    s.periods = {60, 3600, 60};
    s.showAverage = false;
    s.showMinMax = false;
    s.useBits = true;
    s.elementDefaults = {InterfaceElement::mtu, InterfaceElement::wifiDetails};
    s.elementOverrides = {{"IEEE80211:00:1a:2b:3c:4d:5e", {InterfaceElement::media}},
                          {"name:tun0", {}}};
    s.pinned = {{"Ethernet:00:1c:42:ab:00:01", "eth0", "Intel I219", "00:1c:42:ab:00:01", true},
                {"name:wg0", "wg0", std::nullopt, std::nullopt, false}};
    s.menubarMode = MenubarMode::iconAndRates;
    s.menubarSource = MenubarSource::interface("name:wg0");
    s.publicIPEnabled = true;
    s.publicIPProvider = PublicIPProvider::custom;
    s.publicIPCustomURL = "https://example.test/ip";
    s.publicIPJSONKeyPath = "data.ip";
    s.publicIPRefreshMinutes = 5;
    s.notifyLinkChange = s.notifyAddressChange = s.notifyPrimaryChange = true;
    s.notifyPublicIPChange = s.notifySSIDChange = true;
    return s;
}

} // namespace

TEST(SettingsData, DefaultsAndRoundTrip) {
    const SettingsData defaults;
    EXPECT_EQ(defaults.updateInterval, 5.0);
    EXPECT_EQ(defaults.publicIPRefreshMinutes, 30.0);
    EXPECT_EQ(defaults.elementDefaults, defaultInterfaceElements());
    EXPECT_EQ(defaults.menubarSource, MenubarSource::primary());
    EXPECT_EQ(decodeSettings(*encodeSettings(defaults)), defaults);

    const SettingsData changed = everythingChanged();
    const auto encoded = encodeSettings(changed);
    ASSERT_TRUE(encoded.has_value());
    EXPECT_EQ(decodeSettings(*encoded), changed);
    const Json json = Json::parse(*encoded);
    EXPECT_EQ(json.size(), 21u) << "every field is written";
    EXPECT_EQ(json["menubarSource"], Json::parse(R"({"interface":{"_0":"name:wg0"}})"));
    EXPECT_EQ(json["menubarMode"], "iconAndRates");
    EXPECT_EQ(json["publicIPProvider"], "custom");
    EXPECT_EQ(json["periods"], Json::parse("[60.0,3600.0,60.0]"));
    EXPECT_EQ(json["elementOverrides"]["name:tun0"], Json::array());
    EXPECT_EQ(json["pinned"][1],
              Json::parse(R"({"key":"name:wg0","name":"wg0","permanentAddress":false})"));
    EXPECT_EQ(Json::parse(*encodeSettings(defaults))["menubarSource"],
              Json::parse(R"({"primary":{}})"));
}

TEST(SettingsData, EachMemberFallsBackOnItsOwn) {
    struct Case {
        const char* json;
        std::function<bool(const SettingsData&)> check;
    };
    const Case cases[] = {
        {R"({"useBits":true})", [](auto& s) { return s.useBits && !s.notifySSIDChange; }},
        {R"({"menubarMode":"bars","useBits":true})",
         [](auto& s) { return s.menubarMode == MenubarMode::icon && s.useBits; }},
        {R"({"menubarSource":{"primary":{},"allActive":{}}})",
         [](auto& s) { return s.menubarSource == MenubarSource::primary(); }},
        {R"({"menubarSource":{"allActive":{}}})",
         [](auto& s) { return s.menubarSource == MenubarSource::allActive(); }},
        {R"({"menubarSource":{"interface":{"_0":"link:ethernet:00:1c:42:ab:00:01"}}})",
         [](auto& s) {
             return s.menubarSource == MenubarSource::interface("link:ethernet:00:1c:42:ab:00:01");
         }},
        {R"({"menubarSource":{"interface":{}}})",
         [](auto& s) { return s.menubarSource == MenubarSource::primary(); }},
        {R"({"menubarSource":{"allActive":true}})",
         [](auto& s) { return s.menubarSource == MenubarSource::primary(); }},
        {R"({"elementDefaults":["mtu","bogus"],"showAverage":false})",
         [](auto& s) { return s.elementDefaults == defaultInterfaceElements() && !s.showAverage; }},
        {R"({"elementDefaults":["mtu","mtu"]})",
         [](auto& s) { return s.elementDefaults == InterfaceElementSet{InterfaceElement::mtu}; }},
        {R"({"elementOverrides":{"a":["mtu"],"b":["nope"]}})",
         [](auto& s) { return s.elementOverrides.empty(); }},
        {R"({"periods":[60,"3600"]})", [](auto& s) { return s.periods.empty(); }},
        {R"({"periods":[60,86400.5]})",
         [](auto& s) {
             return s.periods == std::vector<double>{60, 86400.5};
         }},
        {R"({"updateInterval":"5","publicIPRefreshMinutes":0.5})",
         [](auto& s) { return s.updateInterval == 5.0 && s.publicIPRefreshMinutes == 0.5; }},
        {R"({"updateInterval":-3})", [](auto& s) { return s.updateInterval == -3; }},
        {R"({"useBits":1,"showMinMax":null})", [](auto& s) { return !s.useBits && s.showMinMax; }},
        {R"({"pinned":[{"key":"k","name":"n"},{"name":"no key"}]})",
         [](auto& s) { return s.pinned.empty(); }},
        {R"({"publicIPProvider":"serviceB"})",
         [](auto& s) { return s.publicIPProvider == PublicIPProvider::serviceB; }},
        {R"({"publicIPProvider":"serviceC"})",
         [](auto& s) { return s.publicIPProvider == PublicIPProvider::serviceA; }},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(c.check(decodeSettings(c.json))) << c.json;
    }
}

TEST(SettingsData, DocumentsThatAreNoObjectGiveTheDefaults) {
    for (const char* text : {"", "not json", "[1,2]", "\"settings\"", "null", "{\"useBits\":tru"}) {
        EXPECT_EQ(decodeSettings(text), SettingsData{}) << text;
    }
}

TEST(SettingsData, NumbersThatJsonCannotHoldAreNotStored) {
    SettingsData s;
    s.periods = {60, NAN};
    EXPECT_FALSE(encodeSettings(s).has_value());
    s.periods = {60};
    s.updateInterval = INFINITY;
    EXPECT_FALSE(encodeSettings(s).has_value());
}

TEST(SettingsData, LookupUrlAndElements) {
    SettingsData s;
    ASSERT_TRUE(s.lookupURL().has_value());
    EXPECT_TRUE(s.lookupURL()->starts_with("https://"));
    EXPECT_TRUE(s.lookupURL()->ends_with("/ip"));
    s.publicIPProvider = PublicIPProvider::custom;
    s.publicIPCustomURL = "http://[::1]:8080/whoami?format=json";
    EXPECT_EQ(s.lookupURL(), "http://[::1]:8080/whoami?format=json");
    for (const char* bad : {"", "ftp://example.test/", "not a url", "https://host:70000/"}) {
        s.publicIPCustomURL = bad;
        EXPECT_FALSE(s.lookupURL().has_value()) << bad;
    }

    s.elementOverrides["name:tun0"] = {};
    EXPECT_TRUE(s.elements("name:tun0").empty()) << "an override replaces the defaults entirely";
    EXPECT_EQ(s.elements("name:eth0"), defaultInterfaceElements());
}
