#include "app/settings/updater.h"

namespace wirelark {

Updater::Updater(std::function<void()> check)
    : check_(std::move(check)), automaticChecks_(updatesEnabled()) {}

bool Updater::updatesEnabled() {
    return updatesEnabled(WIRELARK_UPDATE_KEY);
}

bool Updater::updatesEnabled(std::string_view key) {
    return !key.empty();
}

void Updater::checkNow() const {
    if (updatesEnabled() && check_) {
        check_();
    }
}

} // namespace wirelark
