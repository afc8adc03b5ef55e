#pragma once

#include "app/core/settings_data.h"

#include <optional>
#include <string>
#include <vector>

namespace wirelark {

// The pin list's operations; each returns the record as it should be after the operation (an
// equal record when nothing applies).

bool isPinned(const SettingsData& settings, const std::string& key);
// Unpins the first pin with the fingerprint's key, or pins the fingerprint at the end.
SettingsData togglePin(SettingsData settings, const InterfaceFingerprint& fingerprint);
// Swaps the first pin with `key` and the pin `offset` places away, when both exist.
SettingsData movePin(SettingsData settings, const std::string& key, int offset);
// Takes the first pin with `moved` out and puts it where the first pin with `target` stood, so a
// pin dragged down lands after its target and one dragged up before it.
SettingsData movePin(SettingsData settings, const std::string& moved, const std::string& target);
// Replaces each pin that the pin matcher finds under a changed fingerprint; where the key
// changed, the interface's element override and a menu-bar source naming it follow the new key.
// None when every pin already matches, the usual case at a tick, which then copies nothing.
std::optional<SettingsData> reconcilePins(const SettingsData& settings,
                                          const std::vector<InterfaceFingerprint>& live);

} // namespace wirelark
