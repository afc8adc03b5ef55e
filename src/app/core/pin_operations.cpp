#include "app/core/pin_operations.h"

#include <algorithm>

namespace wirelark {

namespace {

std::vector<InterfaceFingerprint>::iterator firstPin(SettingsData& settings,
                                                     const std::string& key) {
    return std::find_if(settings.pinned.begin(), settings.pinned.end(),
                        [&](const InterfaceFingerprint& pin) { return pin.key == key; });
}

} // namespace

bool isPinned(const SettingsData& settings, const std::string& key) {
    return std::any_of(settings.pinned.begin(), settings.pinned.end(),
                       [&](const InterfaceFingerprint& pin) { return pin.key == key; });
}

SettingsData togglePin(SettingsData settings, const InterfaceFingerprint& fingerprint) {
    if (auto pin = firstPin(settings, fingerprint.key); pin != settings.pinned.end()) {
        settings.pinned.erase(pin);
    } else {
        settings.pinned.push_back(fingerprint);
    }
    return settings;
}

SettingsData movePin(SettingsData settings, const std::string& key, int offset) {
    const auto pin = firstPin(settings, key);
    if (pin == settings.pinned.end()) {
        return settings;
    }
    const auto index = static_cast<long>(pin - settings.pinned.begin());
    const long target = index + offset;
    if (target < 0 || target >= static_cast<long>(settings.pinned.size())) {
        return settings;
    }
    std::swap(settings.pinned[static_cast<size_t>(index)],
              settings.pinned[static_cast<size_t>(target)]);
    return settings;
}

SettingsData movePin(SettingsData settings, const std::string& moved, const std::string& target) {
    if (moved == target) {
        return settings;
    }
    const auto from = firstPin(settings, moved);
    const auto to = firstPin(settings, target);
    if (from == settings.pinned.end() || to == settings.pinned.end()) {
        return settings;
    }
    const auto targetIndex = to - settings.pinned.begin();
    InterfaceFingerprint entry = std::move(*from);
    settings.pinned.erase(from);
    settings.pinned.insert(settings.pinned.begin() + targetIndex, std::move(entry));
    return settings;
}

std::optional<SettingsData> reconcilePins(const SettingsData& stored,
                                          const std::vector<InterfaceFingerprint>& live) {
    const auto matches = PinMatcher::resolve(stored.pinned, live);
    std::optional<SettingsData> settings; // copied at the first pin that changes
    for (size_t i = 0; i < stored.pinned.size() && i < matches.size(); ++i) {
        if (!matches[i] || *matches[i] == stored.pinned[i]) {
            continue;
        }
        if (!settings) {
            settings = stored;
        }
        const std::string oldKey = settings->pinned[i].key;
        settings->pinned[i] = *matches[i];
        const std::string& newKey = matches[i]->key;
        if (newKey == oldKey) {
            continue;
        }
        if (auto override = settings->elementOverrides.extract(oldKey)) {
            settings->elementOverrides.insert_or_assign(newKey, std::move(override.mapped()));
        }
        if (const std::string* sourceKey = settings->menubarSource.interfaceKey();
            sourceKey && *sourceKey == oldKey) {
            settings->menubarSource = MenubarSource::interface(newKey);
        }
    }
    return settings;
}

} // namespace wirelark
