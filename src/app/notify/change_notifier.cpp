#include "app/notify/change_notifier.h"

namespace wirelark {

void ChangeNotifier::checkItems(const std::vector<InterfaceItem>& items,
                                const std::optional<std::string>& primary,
                                const SettingsData& settings) {
    ItemCheck check = wirelark::checkItems(state_, items, primary, settings);
    state_ = std::move(check.state);
    for (const Notification& notification : check.notifications) {
        sink_.post(notification);
    }
}

void ChangeNotifier::checkPublicAddress(const std::optional<PublicIPResult>& old,
                                        const PublicIPResult& fresh, bool enabled) {
    if (auto notification = wirelark::checkPublicAddress(old, fresh, enabled)) {
        sink_.post(*notification);
    }
}

} // namespace wirelark
