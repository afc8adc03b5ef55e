#include "app/notify/change_decisions.h"

#include "app/core/pin_operations.h"

#include <algorithm>
#include <cctype>
#include <set>
#include <string_view>

namespace wirelark {

namespace {

std::string label(const InterfaceItem& item) {
    return item.name + " (" + item.subtitle() + ")";
}

bool isLinkLocalText(std::string_view address) {
    constexpr std::string_view prefix = "fe80:";
    return address.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), address.begin(), [](char p, char a) {
               return p == std::tolower(static_cast<unsigned char>(a));
           });
}

// Every IPv4 address and every IPv6 address beyond link-local, in ascending text order.
std::set<std::string> addressTexts(const InterfaceItem& item) {
    std::set<std::string> texts;
    if (!item.snapshot) {
        return texts;
    }
    for (const auto& address : item.snapshot->ipv4) {
        texts.insert(address.address);
    }
    for (const auto& address : item.snapshot->ipv6) {
        if (!isLinkLocalText(address.address)) {
            texts.insert(address.address);
        }
    }
    return texts;
}

std::string joined(const std::set<std::string>& texts, std::string_view separator) {
    std::string text;
    for (const auto& part : texts) {
        text += (text.empty() ? "" : std::string(separator)) + part;
    }
    return text;
}

const std::string* networkName(const InterfaceItem& item) {
    return item.wifi && item.wifi->ssid ? &*item.wifi->ssid : nullptr;
}

void compareItem(const InterfaceItem& old, const InterfaceItem& fresh, const SettingsData& settings,
                 std::vector<Notification>& out) {
    const bool active = fresh.isActive();
    if (settings.notifyLinkChange && old.isActive() != active) {
        out.push_back({label(fresh) + " is " + (active ? "connected" : "disconnected"), ""});
    }
    if (settings.notifyAddressChange && active) {
        const auto addresses = addressTexts(fresh);
        if (!addresses.empty() && addresses != addressTexts(old)) {
            out.push_back({label(fresh) + " address changed", joined(addresses, ", ")});
        }
    }
    if (settings.notifySSIDChange) {
        if (const std::string* name = networkName(fresh)) {
            const std::string* before = networkName(old);
            if (!before || *before != *name) {
                out.push_back({"Wi-Fi joined " + *name, ""});
            }
        }
    }
}

std::optional<Notification> primaryChange(const std::vector<InterfaceItem>& items,
                                          const std::optional<std::string>& before,
                                          const std::optional<std::string>& primary) {
    if (before == primary) {
        return std::nullopt;
    }
    if (primary) {
        const auto found = std::find_if(items.begin(), items.end(),
                                        [&](const InterfaceItem& i) { return i.name == *primary; });
        if (found != items.end()) {
            return Notification{"Primary interface is now " + label(*found), ""};
        }
    }
    return Notification{"No primary interface", ""};
}

} // namespace

ItemCheck checkItems(const NotifierState& state, const std::vector<InterfaceItem>& items,
                     const std::optional<std::string>& primary, const SettingsData& settings) {
    std::map<std::string, InterfaceItem> watched;
    std::vector<const InterfaceItem*> watchedInOrder;
    for (const auto& item : items) {
        if ((item.service || isPinned(settings, item.key)) && !watched.contains(item.key)) {
            watchedInOrder.push_back(&watched.emplace(item.key, item).first->second);
        }
    }
    ItemCheck check;
    if (state.previous) {
        for (const InterfaceItem* fresh : watchedInOrder) {
            if (const auto old = state.previous->find(fresh->key); old != state.previous->end()) {
                compareItem(old->second, *fresh, settings, check.notifications);
            }
        }
        if (settings.notifyPrimaryChange) {
            if (auto change = primaryChange(items, state.previousPrimary, primary)) {
                check.notifications.push_back(std::move(*change));
            }
        }
    }
    check.state = {std::move(watched), primary};
    return check;
}

std::optional<Notification> checkPublicAddress(const std::optional<PublicIPResult>& old,
                                               const PublicIPResult& fresh, bool enabled) {
    if (!enabled || !old || old->error || fresh.error) {
        return std::nullopt;
    }
    if (old->ipv4 == fresh.ipv4 && old->ipv6 == fresh.ipv6) {
        return std::nullopt;
    }
    std::string body = fresh.ipv4.value_or("");
    if (fresh.ipv6) {
        body += (body.empty() ? "" : "\n") + *fresh.ipv6;
    }
    return Notification{"Public IP changed", body};
}

} // namespace wirelark
