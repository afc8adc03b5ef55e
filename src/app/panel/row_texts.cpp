#include "app/panel/row_texts.h"

#include "netcore/history/rate_format.h"
#include "netcore/interfaces/address_lines.h"
#include "netcore/interfaces/bit_names.h"

namespace wirelark {
namespace {

std::optional<std::string> bitListText(const std::optional<uint32_t>& word, const BitNames& names) {
    if (!word || *word == 0) {
        return std::nullopt;
    }
    return names.format(*word);
}

bool detailShown(const InterfaceItem& item, InterfaceElement element) {
    const InterfaceSnapshot& snapshot = *item.snapshot;
    switch (element) {
    case InterfaceElement::enableToggle:
        return item.service && !item.service->hidden && item.kind() != InterfaceKind::tunnel;
    case InterfaceElement::options:
        return optionsText(snapshot).has_value();
    case InterfaceElement::nd6Options:
        return nd6Text(snapshot).has_value();
    case InterfaceElement::media:
        return snapshot.media.has_value();
    case InterfaceElement::wifiDetails:
        return item.wifi.has_value();
    case InterfaceElement::bandwidthGraph:
    case InterfaceElement::transferRates:
    case InterfaceElement::mtu:
    case InterfaceElement::addresses:
        return true;
    case InterfaceElement::ipNetmask:
    case InterfaceElement::scopeID:
    case InterfaceElement::hardwareAddress:
        return false; // they shape the address list
    }
    return false;
}

} // namespace

std::string subtitleHelp(const InterfaceItem& item) {
    if (item.owner) {
        return item.owner->path + " (pid " + std::to_string(item.owner->pid) + ")";
    }
    return item.subtitle();
}

std::string rowAccessibleName(const InterfaceItem& item) {
    std::string name = item.name + ", " + item.subtitle();
    if (!item.isActive()) {
        name += ", inactive";
    }
    return name;
}

std::vector<InterfaceElement> shownDetails(const InterfaceItem& item,
                                           const InterfaceElementSet& elements) {
    std::vector<InterfaceElement> shown;
    if (!item.snapshot) {
        return shown;
    }
    for (InterfaceElement element : kAllInterfaceElements) {
        if (elements.contains(element) && detailShown(item, element)) {
            shown.push_back(element);
        }
    }
    return shown;
}

std::vector<std::string> flagCapsuleNames(uint32_t flags) {
    return BitNames::interfaceFlags.names(flags);
}

std::optional<std::string> optionsText(const InterfaceSnapshot& snapshot) {
    return bitListText(snapshot.capabilities, BitNames::capabilities);
}

std::optional<std::string> nd6Text(const InterfaceSnapshot& snapshot) {
    return bitListText(snapshot.nd6Flags, BitNames::nd6Flags);
}

std::optional<std::string> mediaText(const InterfaceSnapshot& snapshot) {
    if (!snapshot.media) {
        return std::nullopt;
    }
    std::string text = snapshot.media->description();
    switch (snapshot.media->status) {
    case MediaStatus::active:
        text += " \u00b7 active";
        break;
    case MediaStatus::inactive:
        text += " \u00b7 inactive";
        break;
    case MediaStatus::unknown:
        break;
    }
    return text;
}

std::vector<DetailText> addressLines(const InterfaceSnapshot& snapshot,
                                     const InterfaceElementSet& elements) {
    std::vector<DetailText> lines;
    if (!elements.contains(InterfaceElement::addresses)) {
        return lines;
    }
    if (elements.contains(InterfaceElement::ipNetmask)) {
        for (const IPv4Address& address : snapshot.ipv4) {
            lines.push_back({"inet", ipv4Line(address), address.address});
        }
        const bool showScope = elements.contains(InterfaceElement::scopeID);
        for (const IPv6Address& address : snapshot.ipv6) {
            lines.push_back({"inet6", ipv6Line(address, showScope), address.address});
        }
    }
    if (elements.contains(InterfaceElement::hardwareAddress) && snapshot.linkAddress) {
        const std::string link = snapshot.linkAddress->description();
        lines.push_back({"ether", link, link});
    }
    return lines;
}

std::vector<DetailText> wifiLines(const WiFiDetails& wifi, LocationAuthorizer::Status location) {
    std::vector<DetailText> lines;
    if (wifi.ssid) {
        std::string ssid = *wifi.ssid;
        if (wifi.bssid) {
            ssid += " (" + *wifi.bssid + ")";
        }
        lines.push_back({"ssid", ssid, std::nullopt});
    } else if (location != LocationAuthorizer::Status::notDetermined) {
        lines.push_back({"ssid", "hidden (needs Location Services)", std::nullopt});
    }
    lines.push_back({"signal", signalText(wifi), std::nullopt});
    if (wifi.channel) {
        lines.push_back({"channel", *wifi.channel, std::nullopt});
    }
    lines.push_back({"phy",
                     wifi.phyMode + " \u00b7 " +
                         std::to_string(static_cast<long long>(wifi.transmitRate)) +
                         " Mb/s \u00b7 " + wifi.security,
                     std::nullopt});
    return lines;
}

CurrentRateTexts currentRateTexts(const InterfaceItem& item, bool useBits) {
    const std::optional<Rates> rates = item.currentRates();
    if (!rates) {
        return {"\u2014", "\u2014", "Download unknown", "Upload unknown"};
    }
    std::string download = rateText(rates->rateIn, useBits);
    std::string upload = rateText(rates->rateOut, useBits);
    return {download, upload, "Download " + download, "Upload " + upload};
}

} // namespace wirelark
