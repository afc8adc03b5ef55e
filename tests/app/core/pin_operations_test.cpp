#include "app/core/pin_operations.h"

#include <gtest/gtest.h>

using namespace wirelark;

namespace {

InterfaceFingerprint pin(const std::string& key,
                         std::optional<std::string> address = std::nullopt) {
    return {key, "if-" + key, std::nullopt, std::move(address), false};
}

std::vector<std::string> keys(const SettingsData& s) {
    std::vector<std::string> result;
    for (const auto& p : s.pinned) {
        result.push_back(p.key);
    }
    return result;
}

SettingsData abc() {
    SettingsData s;
    s.pinned = {pin("A"), pin("B"), pin("C")};
    return s;
}

} // namespace

TEST(PinOperations, ToggleAndMove) {
    SettingsData s = abc();
    EXPECT_TRUE(isPinned(s, "B"));
    EXPECT_FALSE(isPinned(s, "b"));
    EXPECT_EQ(keys(togglePin(togglePin(s, pin("D")), pin("D"))), keys(s));
    EXPECT_EQ(keys(togglePin(togglePin(s, pin("A")), pin("A"))),
              (std::vector<std::string>{"B", "C", "A"}));

    struct Case {
        std::string key;
        int offset;
        std::vector<std::string> expected;
    };
    const Case byOffset[] = {
        {"A", -1, {"A", "B", "C"}}, {"C", 1, {"A", "B", "C"}}, {"B", -1, {"B", "A", "C"}},
        {"B", 1, {"A", "C", "B"}},  {"A", 2, {"C", "B", "A"}}, {"X", 1, {"A", "B", "C"}},
    };
    for (const auto& c : byOffset) {
        EXPECT_EQ(keys(movePin(abc(), c.key, c.offset)), c.expected) << c.key << c.offset;
    }
    struct Drop {
        std::string moved, target;
        std::vector<std::string> expected;
    };
    const Drop drops[] = {
        {"A", "C", {"B", "C", "A"}}, {"C", "A", {"C", "A", "B"}}, {"A", "B", {"B", "A", "C"}},
        {"B", "B", {"A", "B", "C"}}, {"A", "X", {"A", "B", "C"}}, {"X", "A", {"A", "B", "C"}},
    };
    for (const auto& d : drops) {
        EXPECT_EQ(keys(movePin(abc(), d.moved, d.target)), d.expected)
            << d.moved << "->" << d.target;
    }
}

TEST(PinOperations, ReconcileMovesOverridesAndTheMenubarSourceToTheNewKey) {
    SettingsData s;
    s.pinned = {pin("link:ethernet:02:00:00:00:00:01", "02:00:00:00:00:01"), pin("name:wg0")};
    s.elementOverrides = {{"link:ethernet:02:00:00:00:00:01", {InterfaceElement::mtu}},
                          {"service:abc", {InterfaceElement::media}}};
    s.menubarSource = MenubarSource::interface("link:ethernet:02:00:00:00:00:01");
    const std::vector<InterfaceFingerprint> live = {
        {"service:abc", "eth7", "Wired", "02:00:00:00:00:01", false},
        pin("name:wg0"),
    };
    const auto reconciled = reconcilePins(s, live);
    ASSERT_TRUE(reconciled.has_value());
    const SettingsData& after = *reconciled;
    EXPECT_EQ(after.pinned[0], live[0]);
    EXPECT_EQ(after.pinned[1], s.pinned[1]);
    EXPECT_EQ(after.elementOverrides, (std::map<std::string, InterfaceElementSet>{
                                          {"service:abc", {InterfaceElement::mtu}}}))
        << "the moved override replaces the one already there";
    EXPECT_EQ(after.menubarSource, MenubarSource::interface("service:abc"));
    EXPECT_EQ(reconcilePins(after, live), std::nullopt) << "nothing changes once matched";
    EXPECT_EQ(reconcilePins(s, {}), std::nullopt)
        << "pins without a live interface stay as they are";
}
