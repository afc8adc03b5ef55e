#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace wirelark {

// Display text of a network name: SSIDs are any 1-32 bytes, and one that is not UTF-8 is read
// as Latin-1 so that the text stays valid wherever it goes. Empty (hidden) names are absent.
std::optional<std::string> ssidText(std::span<const uint8_t> bytes);

// The network name in a BSS's information elements.
std::optional<std::string> ssidOfElements(std::span<const uint8_t> elements);

// The security code (WiFiSecurity) of a BSS from its information elements and capability
// field: the RSN element decides, a WPA element alone means WPA, the privacy bit alone WEP.
int securityOfElements(std::span<const uint8_t> elements, uint16_t capability);

} // namespace wirelark
