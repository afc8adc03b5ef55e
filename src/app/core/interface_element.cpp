#include "app/core/interface_element.h"

#include <utility>

namespace wirelark {

namespace {

struct ElementNames {
    std::string_view raw;
    std::string_view title;
};

constexpr std::array<ElementNames, 12> kNames{{
    {"enableToggle", "Enable toggle"},
    {"bandwidthGraph", "Bandwidth graph"},
    {"transferRates", "Transfer rates"},
    {"mtu", "MTU"},
    {"options", "Options"},
    {"nd6Options", "ND6 options"},
    {"addresses", "Addresses"},
    {"ipNetmask", "IP address + netmask"},
    {"scopeID", "Scope ID"},
    {"hardwareAddress", "Hardware address"},
    {"media", "Media"},
    {"wifiDetails", "Wi-Fi details"},
}};

} // namespace

std::string_view rawValue(InterfaceElement element) {
    return kNames[static_cast<size_t>(element)].raw;
}

std::string_view title(InterfaceElement element) {
    return kNames[static_cast<size_t>(element)].title;
}

std::optional<InterfaceElement> interfaceElementFromRaw(std::string_view raw) {
    for (InterfaceElement element : kAllInterfaceElements) {
        if (rawValue(element) == raw) {
            return element;
        }
    }
    return std::nullopt;
}

const InterfaceElementSet& defaultInterfaceElements() {
    static const InterfaceElementSet defaults{
        InterfaceElement::enableToggle,  InterfaceElement::bandwidthGraph,
        InterfaceElement::transferRates, InterfaceElement::addresses,
        InterfaceElement::ipNetmask,     InterfaceElement::hardwareAddress,
    };
    return defaults;
}

} // namespace wirelark
