#include "app/core/settings_data.h"

#include "netcore/base/json_text.h"
#include "netcore/http/url.h"

#include <array>
#include <cmath>
#include <utility>

#include <nlohmann/json.hpp>

namespace wirelark {

namespace {

using Json = nlohmann::json;
// Written in declaration order, which makes the stored file easy to read.
using OrderedJson = nlohmann::ordered_json;

constexpr std::array<std::pair<MenubarMode, std::string_view>, 4> kModes{{
    {MenubarMode::icon, "icon"},
    {MenubarMode::rates, "rates"},
    {MenubarMode::graph, "graph"},
    {MenubarMode::iconAndRates, "iconAndRates"},
}};

OrderedJson elementsToJson(const InterfaceElementSet& elements) {
    OrderedJson array = OrderedJson::array();
    for (InterfaceElement element : elements) {
        array.push_back(rawValue(element));
    }
    return array;
}

std::optional<InterfaceElementSet> elementsFromJson(const Json& json) {
    if (!json.is_array()) {
        return std::nullopt;
    }
    InterfaceElementSet elements;
    for (const auto& name : json) {
        const auto element =
            name.is_string() ? interfaceElementFromRaw(name.get<std::string>()) : std::nullopt;
        if (!element) {
            return std::nullopt; // one unknown name fails the whole set
        }
        elements.insert(*element);
    }
    return elements;
}

OrderedJson sourceToJson(const MenubarSource& source) {
    if (const std::string* key = source.interfaceKey()) {
        return {{"interface", {{"_0", *key}}}};
    }
    return {{source.isAllActive() ? "allActive" : "primary", OrderedJson::object()}};
}

std::optional<MenubarSource> sourceFromJson(const Json& json) {
    // Exactly one member names the case.
    if (!json.is_object() || json.size() != 1) {
        return std::nullopt;
    }
    const auto member = json.begin();
    const std::string& name = member.key();
    const Json& content = member.value();
    if (!content.is_object()) {
        return std::nullopt;
    }
    if (name == "primary") {
        return MenubarSource::primary();
    }
    if (name == "allActive") {
        return MenubarSource::allActive();
    }
    if (name == "interface") {
        const auto key = content.find("_0");
        if (key != content.end() && key->is_string()) {
            return MenubarSource::interface(key->get<std::string>());
        }
    }
    return std::nullopt;
}

// Reads one member into `field` when it is present and decodes; otherwise leaves the default.
template <typename T, typename Decode>
void readMember(const Json& object, const char* name, T& field, Decode decode) {
    const auto it = object.find(name);
    if (it == object.end() || it->is_null()) {
        return;
    }
    if (std::optional<T> value = decode(*it)) {
        field = std::move(*value);
    }
}

std::optional<bool> asBool(const Json& json) {
    return json.is_boolean() ? std::optional(json.get<bool>()) : std::nullopt;
}

std::optional<double> asDouble(const Json& json) {
    return json.is_number() ? std::optional(json.get<double>()) : std::nullopt;
}

std::optional<std::string> asString(const Json& json) {
    return json.is_string() ? std::optional(json.get<std::string>()) : std::nullopt;
}

std::optional<std::vector<double>> asDoubles(const Json& json) {
    if (!json.is_array()) {
        return std::nullopt;
    }
    std::vector<double> values;
    for (const auto& value : json) {
        if (!value.is_number()) {
            return std::nullopt;
        }
        values.push_back(value.get<double>());
    }
    return values;
}

std::optional<std::map<std::string, InterfaceElementSet>> asOverrides(const Json& json) {
    if (!json.is_object()) {
        return std::nullopt;
    }
    std::map<std::string, InterfaceElementSet> overrides;
    for (const auto& [key, elements] : json.items()) {
        auto set = elementsFromJson(elements);
        if (!set) {
            return std::nullopt; // one bad entry fails the whole map
        }
        overrides.emplace(key, std::move(*set));
    }
    return overrides;
}

std::optional<std::vector<InterfaceFingerprint>> asPins(const Json& json) {
    if (!json.is_array()) {
        return std::nullopt;
    }
    std::vector<InterfaceFingerprint> pins;
    for (const auto& entry : json) {
        auto pin = fingerprintFromJson(entry);
        if (!pin) {
            return std::nullopt;
        }
        pins.push_back(std::move(*pin));
    }
    return pins;
}

std::optional<MenubarMode> asMode(const Json& json) {
    return json.is_string() ? menubarModeFromRaw(json.get<std::string>()) : std::nullopt;
}

std::optional<PublicIPProvider> asProvider(const Json& json) {
    return json.is_string() ? publicIPProviderFromRawValue(json.get<std::string>()) : std::nullopt;
}

} // namespace

std::string_view rawValue(MenubarMode mode) {
    for (const auto& [value, raw] : kModes) {
        if (value == mode) {
            return raw;
        }
    }
    return "icon";
}

std::optional<MenubarMode> menubarModeFromRaw(std::string_view raw) {
    for (const auto& [value, name] : kModes) {
        if (name == raw) {
            return value;
        }
    }
    return std::nullopt;
}

std::optional<std::string> SettingsData::lookupURL() const {
    if (publicIPProvider != PublicIPProvider::custom) {
        return url(publicIPProvider);
    }
    if (!parseUrl(publicIPCustomURL)) {
        return std::nullopt;
    }
    return publicIPCustomURL;
}

const InterfaceElementSet& SettingsData::elements(const std::string& key) const {
    const auto it = elementOverrides.find(key);
    return it != elementOverrides.end() ? it->second : elementDefaults;
}

std::optional<std::string> encodeSettings(const SettingsData& s) {
    for (double value : s.periods) {
        if (!std::isfinite(value)) {
            return std::nullopt;
        }
    }
    if (!std::isfinite(s.updateInterval) || !std::isfinite(s.publicIPRefreshMinutes)) {
        return std::nullopt;
    }
    OrderedJson overrides = OrderedJson::object();
    for (const auto& [key, elements] : s.elementOverrides) {
        overrides[key] = elementsToJson(elements);
    }
    OrderedJson pinned = OrderedJson::array();
    for (const auto& pin : s.pinned) {
        pinned.push_back(toJson(pin));
    }
    const OrderedJson object{
        {"showInactiveByDefault", s.showInactiveByDefault},
        {"updateInterval", s.updateInterval},
        {"periods", s.periods},
        {"showAverage", s.showAverage},
        {"showMinMax", s.showMinMax},
        {"useBits", s.useBits},
        {"elementDefaults", elementsToJson(s.elementDefaults)},
        {"elementOverrides", overrides},
        {"pinned", pinned},
        {"menubarMode", rawValue(s.menubarMode)},
        {"menubarSource", sourceToJson(s.menubarSource)},
        {"publicIPEnabled", s.publicIPEnabled},
        {"publicIPProvider", rawValue(s.publicIPProvider)},
        {"publicIPCustomURL", s.publicIPCustomURL},
        {"publicIPJSONKeyPath", s.publicIPJSONKeyPath},
        {"publicIPRefreshMinutes", s.publicIPRefreshMinutes},
        {"notifyLinkChange", s.notifyLinkChange},
        {"notifyAddressChange", s.notifyAddressChange},
        {"notifyPrimaryChange", s.notifyPrimaryChange},
        {"notifyPublicIPChange", s.notifyPublicIPChange},
        {"notifySSIDChange", s.notifySSIDChange},
    };
    return jsonText(object);
}

SettingsData decodeSettings(std::string_view text) {
    SettingsData s;
    const Json object = Json::parse(text, nullptr, false);
    if (!object.is_object()) {
        return s;
    }
    readMember(object, "showInactiveByDefault", s.showInactiveByDefault, asBool);
    readMember(object, "updateInterval", s.updateInterval, asDouble);
    readMember(object, "periods", s.periods, asDoubles);
    readMember(object, "showAverage", s.showAverage, asBool);
    readMember(object, "showMinMax", s.showMinMax, asBool);
    readMember(object, "useBits", s.useBits, asBool);
    readMember(object, "elementDefaults", s.elementDefaults, elementsFromJson);
    readMember(object, "elementOverrides", s.elementOverrides, asOverrides);
    readMember(object, "pinned", s.pinned, asPins);
    readMember(object, "menubarMode", s.menubarMode, asMode);
    readMember(object, "menubarSource", s.menubarSource, sourceFromJson);
    readMember(object, "publicIPEnabled", s.publicIPEnabled, asBool);
    readMember(object, "publicIPProvider", s.publicIPProvider, asProvider);
    readMember(object, "publicIPCustomURL", s.publicIPCustomURL, asString);
    readMember(object, "publicIPJSONKeyPath", s.publicIPJSONKeyPath, asString);
    readMember(object, "publicIPRefreshMinutes", s.publicIPRefreshMinutes, asDouble);
    readMember(object, "notifyLinkChange", s.notifyLinkChange, asBool);
    readMember(object, "notifyAddressChange", s.notifyAddressChange, asBool);
    readMember(object, "notifyPrimaryChange", s.notifyPrimaryChange, asBool);
    readMember(object, "notifyPublicIPChange", s.notifyPublicIPChange, asBool);
    readMember(object, "notifySSIDChange", s.notifySSIDChange, asBool);
    return s;
}

} // namespace wirelark
