#include "app/core/item_lists.h"

#include "item_fixtures.h"

#include <gtest/gtest.h>

using namespace wirelark;
using namespace wirelark::testing;

namespace {

std::vector<std::string> names(const std::vector<const InterfaceItem*>& items) {
    std::vector<std::string> result;
    for (const InterfaceItem* item : items) {
        result.push_back(item->name);
    }
    return result;
}

std::vector<std::string> names(const std::vector<InterfaceItem>& items) {
    std::vector<const InterfaceItem*> pointers;
    for (const InterfaceItem& item : items) {
        pointers.push_back(&item);
    }
    return names(pointers);
}

} // namespace

TEST(ItemLists, PinnedAndVisibleItems) {
    const std::vector<InterfaceItem> items = {
        presentItem("k-eth0", runningSnapshot("eth0", {"10.0.0.2"})),
        presentItem("k-eth1", runningSnapshot("eth1")),
        presentItem("k-wg0", runningSnapshot("wg0", {"10.9.0.2"})),
        presentItem("k-eth1", runningSnapshot("eth1-duplicate", {"10.1.0.2"})),
    };
    SettingsData settings;
    settings.pinned = {{"k-eth1", "eth1", std::nullopt, std::nullopt, false},
                       {"k-gone", "usb0", "Office dock", std::nullopt, false}};
    const auto pinned = pinnedItems(items, settings);
    ASSERT_EQ(pinned.size(), 2u);
    EXPECT_EQ(pinned[0].name, "eth1") << "the first item of a key wins";
    EXPECT_FALSE(pinned[0].isActive()) << "a pinned inactive interface is still listed";
    EXPECT_FALSE(pinned[1].snapshot.has_value());
    EXPECT_EQ(pinned[1].subtitle(), "Office dock, not present");

    EXPECT_EQ(names(visibleItems(items, settings, false)),
              (std::vector<std::string>{"eth0", "wg0"}));
    settings.pinned.clear();
    EXPECT_EQ(names(visibleItems(items, settings, false)),
              (std::vector<std::string>{"eth0", "wg0", "eth1-duplicate"}));
    EXPECT_EQ(visibleItems(items, settings, true).size(), 4u);

    settings.elementOverrides["k-wg0"] = {InterfaceElement::mtu};
    EXPECT_EQ(elementsFor(items[2], settings, false), InterfaceElementSet{InterfaceElement::mtu});
    EXPECT_EQ(elementsFor(items[0], settings, false), defaultInterfaceElements());
    EXPECT_EQ(elementsFor(items[2], settings, true).size(), 12u);
}

TEST(ItemLists, MenubarItemsBySource) {
    auto v4 = presentItem("k-eth0", runningSnapshot("eth0", {"10.0.0.2"}));
    auto v6 = presentItem("k-eth1", runningSnapshot("eth1", {}, {"2001:db8::2"}));
    auto lo = presentItem("k-lo", runningSnapshot("lo", {"127.0.0.1"}));
    lo.snapshot->flags |= 0x8;
    auto idle = presentItem("k-eth2", runningSnapshot("eth2"));
    v6.isPrimary = true;
    v4.isPrimary = true;
    const std::vector<InterfaceItem> items = {lo, v6, v4, idle};
    SettingsData settings;
    EXPECT_EQ(names(menubarItems(items, settings)), (std::vector<std::string>{"eth1"}))
        << "only the first primary item in list order";
    settings.menubarSource = MenubarSource::allActive();
    EXPECT_EQ(names(menubarItems(items, settings)), (std::vector<std::string>{"eth1", "eth0"}));
    settings.menubarSource = MenubarSource::interface("k-eth2");
    EXPECT_EQ(names(menubarItems(items, settings)), (std::vector<std::string>{"eth2"}));
    settings.menubarSource = MenubarSource::interface("nothing");
    EXPECT_TRUE(menubarItems(items, settings).empty());
    EXPECT_TRUE(menubarItems({}, SettingsData{}).empty());
}

TEST(ItemLists, MenubarRatesAndAlignedSamples) {
    auto a = presentItem("a", runningSnapshot("a"));
    auto b = presentItem("b", runningSnapshot("b"));
    for (int i = 0; i < 60; ++i) {
        a.recent.push_back(sample(100 + i, 1000, 100));
    }
    for (int i = 0; i < 10; ++i) {
        b.recent.push_back(sample(150.5 + i, 7, 3, 2));
    }
    const auto samples = menubarSamples({&a, &b});
    ASSERT_EQ(samples.size(), 60u);
    EXPECT_EQ(samples[49], sample(149, 1000, 100))
        << "the first 50 positions hold only the longer series";
    EXPECT_EQ(samples[50], sample(150, 1007, 103)) << "end and duration come from the first item";
    EXPECT_EQ(samples[59], sample(159, 1007, 103));
    EXPECT_TRUE(menubarSamples({}).empty());

    EXPECT_EQ(menubarRates({&a, &b}), (Rates{1000 + 3.5, 100 + 1.5}));
    const auto withoutSamples = presentItem("c", runningSnapshot("c"));
    EXPECT_FALSE(menubarRates({&withoutSamples}).has_value());
}

TEST(ItemLists, ChangeLogEntries) {
    const auto eth0 = presentItem("k0", runningSnapshot("eth0", {"10.0.0.2"}));
    const auto eth1 = presentItem("k1", runningSnapshot("eth1"));
    const auto wg0 = presentItem("k2", runningSnapshot("wg0", {"10.9.0.2"}));
    auto eth1Active = presentItem("k1", runningSnapshot("eth1", {"10.1.0.2"}));
    EXPECT_TRUE(changeLogEntries({eth0, eth1}, {eth0, eth1}, "eth0", "eth0").empty());
    EXPECT_EQ(
        changeLogEntries({eth0, eth1}, {eth1Active, wg0}, "eth0", std::nullopt),
        (std::vector<std::string>{"+wg0 active", "-eth0", "eth1 active", "primary eth0 -> none"}));
    EXPECT_EQ(changeLogEntries({}, {eth1}, std::nullopt, "eth1"),
              (std::vector<std::string>{"+eth1", "primary none -> eth1"}));
    EXPECT_EQ(changeLogEntries({eth1Active}, {eth1}, std::nullopt, std::nullopt),
              (std::vector<std::string>{"eth1 inactive"}));
}
