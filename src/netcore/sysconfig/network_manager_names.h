#pragma once

// NetworkManager's names on the system bus, shared by the reader, the change watcher and the
// tests' fake service.
namespace wirelark::network_manager {

inline constexpr const char* kService = "org.freedesktop.NetworkManager";

inline constexpr const char* kRootPath = "/org/freedesktop/NetworkManager";
inline constexpr const char* kSettingsPath = "/org/freedesktop/NetworkManager/Settings";
// Profiles, active connections and devices are numbered objects under these paths.
inline constexpr const char* kSettingsPrefix = "/org/freedesktop/NetworkManager/Settings/";
inline constexpr const char* kActivePrefix = "/org/freedesktop/NetworkManager/ActiveConnection/";
inline constexpr const char* kDevicePrefix = "/org/freedesktop/NetworkManager/Devices/";

inline constexpr const char* kManagerInterface = "org.freedesktop.NetworkManager";
inline constexpr const char* kDeviceInterface = "org.freedesktop.NetworkManager.Device";
inline constexpr const char* kActiveInterface = "org.freedesktop.NetworkManager.Connection.Active";
inline constexpr const char* kSettingsInterface = "org.freedesktop.NetworkManager.Settings";
inline constexpr const char* kConnectionInterface =
    "org.freedesktop.NetworkManager.Settings.Connection";

} // namespace wirelark::network_manager
