#pragma once

#include "app/core/interface_element.h"
#include "netcore/interfaces/interface_fingerprint.h"
#include "netcore/publicip/public_ip_provider.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace wirelark {

enum class MenubarMode { icon, rates, graph, iconAndRates };

std::string_view rawValue(MenubarMode mode);
std::optional<MenubarMode> menubarModeFromRaw(std::string_view raw);

// Whose rates the status item shows: the primary interface, the sum over every active
// interface, or one interface named by its key.
class MenubarSource {
public:
    static MenubarSource primary() { return MenubarSource(Primary{}); }
    static MenubarSource allActive() { return MenubarSource(AllActive{}); }
    static MenubarSource interface(std::string key) { return MenubarSource(std::move(key)); }

    bool isPrimary() const { return std::holds_alternative<Primary>(value_); }
    bool isAllActive() const { return std::holds_alternative<AllActive>(value_); }
    // The interface key of the `interface` case; none for the other two.
    const std::string* interfaceKey() const { return std::get_if<std::string>(&value_); }

    bool operator==(const MenubarSource&) const = default;

private:
    struct Primary {
        bool operator==(const Primary&) const = default;
    };
    struct AllActive {
        bool operator==(const AllActive&) const = default;
    };
    explicit MenubarSource(std::variant<Primary, AllActive, std::string> value)
        : value_(std::move(value)) {}

    std::variant<Primary, AllActive, std::string> value_;
};

// Every choice the user makes, stored as one JSON document.
struct SettingsData {
    bool showInactiveByDefault = false;
    double updateInterval = 5.0;
    std::vector<double> periods;
    bool showAverage = true;
    bool showMinMax = true;
    bool useBits = false;
    InterfaceElementSet elementDefaults = defaultInterfaceElements();
    std::map<std::string, InterfaceElementSet> elementOverrides;
    std::vector<InterfaceFingerprint> pinned;
    MenubarMode menubarMode = MenubarMode::icon;
    MenubarSource menubarSource = MenubarSource::primary();
    bool publicIPEnabled = false;
    PublicIPProvider publicIPProvider = PublicIPProvider::serviceA;
    std::string publicIPCustomURL;
    std::string publicIPJSONKeyPath;
    double publicIPRefreshMinutes = 30.0;
    bool notifyLinkChange = false;
    bool notifyAddressChange = false;
    bool notifyPrimaryChange = false;
    bool notifyPublicIPChange = false;
    bool notifySSIDChange = false;

    // The built-in service's URL, or the custom URL when it parses; none otherwise.
    std::optional<std::string> lookupURL() const;
    // The elements shown for an interface: its override when it has one, else the defaults.
    const InterfaceElementSet& elements(const std::string& key) const;

    bool operator==(const SettingsData&) const = default;
};

// The stored form: one JSON object, every field written. None when a number cannot be written
// as JSON (not finite), so that nothing half-valid is stored.
std::optional<std::string> encodeSettings(const SettingsData& settings);
// Reads each member on its own; a member that is missing or does not decode keeps its default,
// and a document that is not a JSON object gives the defaults.
SettingsData decodeSettings(std::string_view json);

} // namespace wirelark
