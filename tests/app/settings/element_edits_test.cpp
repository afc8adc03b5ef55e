#include "app/settings/element_edits.h"

#include <gtest/gtest.h>

using namespace wirelark;

namespace {

const std::string kKey = "6:aa:bb:cc:dd:ee:ff";

SettingsData withDefaults(InterfaceElementSet defaults) {
    SettingsData data;
    data.elementDefaults = std::move(defaults);
    return data;
}

} // namespace

TEST(ElementEditsTest, TurningUseDefaultsOffCopiesTheDefaultsAndOnRemovesTheOverride) {
    SettingsData data = withDefaults({InterfaceElement::mtu, InterfaceElement::media});
    EXPECT_TRUE(usesDefaultElements(data, kKey));

    setUsesDefaultElements(data, kKey, false);
    EXPECT_FALSE(usesDefaultElements(data, kKey));
    EXPECT_EQ(data.elementOverrides.at(kKey), data.elementDefaults);

    // Off again keeps the interface's own choice.
    setElementShown(data, kKey, InterfaceElement::addresses, true);
    setUsesDefaultElements(data, kKey, false);
    EXPECT_TRUE(data.elementOverrides.at(kKey).contains(InterfaceElement::addresses));

    setUsesDefaultElements(data, kKey, true);
    EXPECT_TRUE(usesDefaultElements(data, kKey));
    EXPECT_TRUE(data.elementOverrides.empty());
}

TEST(ElementEditsTest, SwitchesEditTheSetOfTheChosenInterface) {
    using Set = InterfaceElementSet;
    const Set mtu{InterfaceElement::mtu};
    const Set mtuAndMedia{InterfaceElement::mtu, InterfaceElement::media};
    struct Case {
        const char* name;
        std::optional<std::string> key;
        std::optional<Set> override; // before and after
        InterfaceElement element;
        bool shown;
        Set defaultsAfter;
        std::optional<Set> overrideAfter;
    };
    const Case cases[] = {
        {"defaults, on", std::nullopt, std::nullopt, InterfaceElement::media, true, mtuAndMedia,
         std::nullopt},
        {"defaults, off", std::nullopt, mtu, InterfaceElement::mtu, false, {}, mtu},
        {"override, on", kKey, mtu, InterfaceElement::media, true, mtu, mtuAndMedia},
        {"override, off", kKey, mtu, InterfaceElement::mtu, false, mtu, Set{}},
        {"interface on the defaults", kKey, std::nullopt, InterfaceElement::media, true, mtu,
         std::nullopt},
    };
    for (const Case& c : cases) {
        SettingsData data = withDefaults(mtu);
        if (c.override) {
            data.elementOverrides[kKey] = *c.override;
        }
        setElementShown(data, c.key, c.element, c.shown);
        EXPECT_EQ(data.elementDefaults, c.defaultsAfter) << c.name;
        if (c.overrideAfter) {
            EXPECT_EQ(data.elementOverrides.at(kKey), *c.overrideAfter) << c.name;
        } else {
            EXPECT_FALSE(data.elementOverrides.contains(kKey)) << c.name;
        }
    }
}
