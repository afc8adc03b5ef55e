#include "app/core/interface_item.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace wirelark {

namespace {

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           });
}

bool isLinkLocalIPv6(const IPv6Address& address) {
    return startsWithIgnoringCase(address.address, "fe80:");
}

// The first of display name, service name and owner name that is known.
std::optional<std::string> describedName(const InterfaceItem& item) {
    if (item.metadata && item.metadata->displayName) {
        return item.metadata->displayName;
    }
    if (item.service) {
        return item.service->name;
    }
    if (item.owner) {
        return item.owner->name;
    }
    return std::nullopt;
}

} // namespace

InterfaceKind InterfaceItem::kind() const {
    return snapshot ? classify(*snapshot) : InterfaceKind::other;
}

std::string InterfaceItem::subtitle() const {
    if (!snapshot) {
        return absentTitle ? *absentTitle + ", not present" : "Not present";
    }
    const InterfaceKind itemKind = kind();
    if (itemKind == InterfaceKind::tunnel) {
        if (auto described = describedName(*this)) {
            return "Tunnel (" + *described + ")";
        }
    }
    if (metadata && metadata->displayName) {
        return *metadata->displayName;
    }
    if (service) {
        return service->name;
    }
    return title(itemKind);
}

bool InterfaceItem::isActive() const {
    if (!snapshot || !snapshot->isUp() || !snapshot->isRunning()) {
        return false;
    }
    if (snapshot->media && snapshot->media->status == MediaStatus::inactive) {
        return false;
    }
    if (service && !service->enabled) {
        return false;
    }
    if (!snapshot->ipv4.empty()) {
        return true;
    }
    return std::any_of(snapshot->ipv6.begin(), snapshot->ipv6.end(),
                       [](const IPv6Address& a) { return !isLinkLocalIPv6(a); });
}

bool InterfaceItem::isSelfAssigned() const {
    if (!snapshot || snapshot->ipv4.empty()) {
        return false;
    }
    return std::all_of(snapshot->ipv4.begin(), snapshot->ipv4.end(),
                       [](const IPv4Address& a) { return a.address.starts_with("169.254."); }) &&
           std::all_of(snapshot->ipv6.begin(), snapshot->ipv6.end(), isLinkLocalIPv6);
}

std::optional<Rates> InterfaceItem::currentRates() const {
    if (recent.empty()) {
        return std::nullopt;
    }
    return Rates{recent.back().rateIn(), recent.back().rateOut()};
}

InterfaceFingerprint InterfaceItem::fingerprint() const {
    InterfaceFingerprint fingerprint;
    fingerprint.key = key;
    fingerprint.name = name;
    if (metadata && metadata->displayName) {
        fingerprint.title = metadata->displayName;
    } else if (service) {
        fingerprint.title = service->name;
    } else if (owner) {
        fingerprint.title = owner->name;
    }
    if (metadata && metadata->hardwareAddress && !metadata->hardwareAddress->empty()) {
        fingerprint.address = metadata->hardwareAddress;
        fingerprint.permanentAddress = true;
    } else if (snapshot && snapshot->linkAddress) {
        fingerprint.address = snapshot->linkAddress->description();
    }
    return fingerprint;
}

std::string interfaceKey(const InterfaceSnapshot& snapshot, const InterfaceMetadata* metadata,
                         const NetworkService* service) {
    if (metadata && metadata->hardwareAddress && !metadata->hardwareAddress->empty()) {
        return metadata->interfaceType.value_or("if") + ":" + *metadata->hardwareAddress;
    }
    if (service) {
        return "service:" + service->id;
    }
    if (snapshot.linkAddress) {
        return std::string("link:") + caseName(classify(snapshot)) + ":" +
               snapshot.linkAddress->description();
    }
    return "name:" + snapshot.name;
}

std::string keyOfLaterHolder(const std::string& sharedKey, const std::string& name) {
    return sharedKey + "#" + name;
}

} // namespace wirelark
