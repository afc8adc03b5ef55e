#pragma once

#include "app/notify/change_decisions.h"

namespace wirelark {

// Keeps the item check's state between calls (in memory only: after a restart the first call
// records again) and posts what the checks decide.
class ChangeNotifier {
public:
    explicit ChangeNotifier(NotificationSink& sink) : sink_(sink) {}

    void checkItems(const std::vector<InterfaceItem>& items,
                    const std::optional<std::string>& primary, const SettingsData& settings);
    void checkPublicAddress(const std::optional<PublicIPResult>& old, const PublicIPResult& fresh,
                            bool enabled);

private:
    NotificationSink& sink_;
    NotifierState state_;
};

} // namespace wirelark
