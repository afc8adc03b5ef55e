#pragma once

#include "app/core/interface_item.h"
#include "app/core/settings_data.h"
#include "app/notify/notification.h"
#include "netcore/publicip/public_ip_service.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace wirelark {

// What the item check compares the next call with: the watched items by key and the primary
// IPv4 interface of the last call; no items before the first call.
struct NotifierState {
    std::optional<std::map<std::string, InterfaceItem>> previous;
    std::optional<std::string> previousPrimary;
};

struct ItemCheck {
    NotifierState state;
    std::vector<Notification> notifications;
};

// Compares the watched items (those with a connection profile, and pinned ones) and the primary
// interface with the last call. The first call only records; an interface that came or went
// since the last call is not compared. The state is replaced also for switches that are off,
// so a switch turned on later compares with fresh state.
ItemCheck checkItems(const NotifierState& state, const std::vector<InterfaceItem>& items,
                     const std::optional<std::string>& primary, const SettingsData& settings);

// The notification for a new public address; none for the first lookup, for a failed one on
// either side and for unchanged addresses.
std::optional<Notification> checkPublicAddress(const std::optional<PublicIPResult>& old,
                                               const PublicIPResult& fresh, bool enabled);

} // namespace wirelark
