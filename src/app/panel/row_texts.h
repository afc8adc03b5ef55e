#pragma once

#include "app/core/interface_element.h"
#include "app/core/interface_item.h"
#include "app/model/location_authorizer.h"

#include <optional>
#include <string>
#include <vector>

namespace wirelark {

// The hover help of the row's subtitle: the tunnel owner's program, else the subtitle itself.
std::string subtitleHelp(const InterfaceItem& item);
// "eth0, Ethernet" with ", inactive" for an inactive interface.
std::string rowAccessibleName(const InterfaceItem& item);

// The detail elements that get a line of their own for this item, in display order: those
// enabled whose data exists. Without a snapshot there are none.
std::vector<InterfaceElement> shownDetails(const InterfaceItem& item,
                                           const InterfaceElementSet& elements);

// One labelled line of details; lines with a copy value copy it when clicked.
struct DetailText {
    std::string label;
    std::string value;
    std::optional<std::string> copyValue;

    bool operator==(const DetailText&) const = default;
};

// The kernel-flag names shown as capsules.
std::vector<std::string> flagCapsuleNames(uint32_t flags);
// "3<RXCSUM,TXCSUM>"; none when the word is absent or zero.
std::optional<std::string> optionsText(const InterfaceSnapshot& snapshot);
std::optional<std::string> nd6Text(const InterfaceSnapshot& snapshot);
// "1000baseT <full-duplex> · active"; none without media information.
std::optional<std::string> mediaText(const InterfaceSnapshot& snapshot);
// The address lines the elements ask for: inet and inet6 lines need ipNetmask, the ether line
// needs hardwareAddress; both also need addresses.
std::vector<DetailText> addressLines(const InterfaceSnapshot& snapshot,
                                     const InterfaceElementSet& elements);
// ssid, signal, channel and phy.
std::vector<DetailText> wifiLines(const WiFiDetails& wifi, LocationAuthorizer::Status location);

// The current rates as shown ("1.5 KB/s", "—" without data) and as read aloud.
struct CurrentRateTexts {
    std::string download;
    std::string upload;
    std::string downloadAccessible;
    std::string uploadAccessible;

    bool operator==(const CurrentRateTexts&) const = default;
};
CurrentRateTexts currentRateTexts(const InterfaceItem& item, bool useBits);

} // namespace wirelark
