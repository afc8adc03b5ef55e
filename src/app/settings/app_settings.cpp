#include "app/settings/app_settings.h"

#include "app/core/pin_operations.h"

#include <nlohmann/json.hpp>

namespace wirelark {

AppSettings::AppSettings(std::unique_ptr<SettingsStorage> storage, QObject* parent)
    : QObject(parent), storage_(std::move(storage)) {
    // Bad stored bytes stay where they are until the next change overwrites them.
    if (auto stored = storage_->read()) {
        data_ = decodeSettings(*stored);
    }
}

void AppSettings::setData(const SettingsData& data) {
    if (data == data_) {
        return;
    }
    data_ = data;
    emit changed();
    // A record that cannot be encoded or written stays in memory; the program goes on.
    if (auto bytes = encodeSettings(data_)) {
        const bool stored = storage_->write(*bytes);
        if (!stored && !storeFailing_) {
            emit storeFailed();
        }
        storeFailing_ = !stored;
    }
}

void AppSettings::reload() {
    const auto stored = storage_->read();
    if (!stored || !nlohmann::json::parse(*stored, nullptr, false).is_object()) {
        return;
    }
    SettingsData data = decodeSettings(*stored);
    if (data == data_) {
        return;
    }
    data_ = std::move(data);
    emit changed();
}

bool AppSettings::isPinned(const std::string& key) const {
    return wirelark::isPinned(data_, key);
}

void AppSettings::togglePin(const InterfaceItem& item) {
    setData(wirelark::togglePin(data_, item.fingerprint()));
}

void AppSettings::movePin(const std::string& key, int offset) {
    setData(wirelark::movePin(data_, key, offset));
}

void AppSettings::movePin(const std::string& moved, const std::string& target) {
    setData(wirelark::movePin(data_, moved, target));
}

void AppSettings::reconcilePins(const std::vector<InterfaceItem>& items) {
    if (data_.pinned.empty()) {
        return; // nothing to match; this runs at every tick
    }
    std::vector<InterfaceFingerprint> live;
    live.reserve(items.size());
    for (const auto& item : items) {
        live.push_back(item.fingerprint());
    }
    if (auto reconciled = wirelark::reconcilePins(data_, live)) {
        setData(*reconciled);
    }
}

} // namespace wirelark
