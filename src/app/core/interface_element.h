#pragma once

#include <array>
#include <optional>
#include <set>
#include <string_view>

namespace wirelark {

// The optional parts of an interface row, in display order.
enum class InterfaceElement {
    enableToggle,
    bandwidthGraph,
    transferRates,
    mtu,
    options,
    nd6Options,
    addresses,
    ipNetmask,
    scopeID,
    hardwareAddress,
    media,
    wifiDetails,
};

inline constexpr std::array<InterfaceElement, 12> kAllInterfaceElements{
    InterfaceElement::enableToggle,  InterfaceElement::bandwidthGraph,
    InterfaceElement::transferRates, InterfaceElement::mtu,
    InterfaceElement::options,       InterfaceElement::nd6Options,
    InterfaceElement::addresses,     InterfaceElement::ipNetmask,
    InterfaceElement::scopeID,       InterfaceElement::hardwareAddress,
    InterfaceElement::media,         InterfaceElement::wifiDetails,
};

using InterfaceElementSet = std::set<InterfaceElement>;

// The raw value, equal to the case name ("nd6Options").
std::string_view rawValue(InterfaceElement element);
// The element with this raw value; none for any other text.
std::optional<InterfaceElement> interfaceElementFromRaw(std::string_view raw);
// "IP address + netmask", ...
std::string_view title(InterfaceElement element);
// What a row shows of an interface nobody chose elements for.
const InterfaceElementSet& defaultInterfaceElements();

} // namespace wirelark
