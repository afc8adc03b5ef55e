#pragma once

#include <optional>
#include <string_view>

namespace wirelark {

// What the admin helper refuses, with the text the user sees. The raw value is the error's
// code on the wire.
enum class AdminError {
    notPaired = 1,
    unknownService,
    unknownRequest,
    authorizationFailed,
    wrongUser,
    configurationFailed,
    alreadyPending,
};

inline constexpr std::string_view adminErrorDomain = "com.quillfern.Wirelark.admin";

constexpr int rawValue(AdminError error) {
    return static_cast<int>(error);
}
// Absent for a code outside 1...7.
std::optional<AdminError> adminErrorFromRawValue(int rawValue);
// The case's name as written here ("notPaired").
std::string_view caseName(AdminError error);
std::string_view description(AdminError error);

} // namespace wirelark
