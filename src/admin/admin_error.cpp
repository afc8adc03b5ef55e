#include "admin/admin_error.h"

#include <array>

namespace wirelark {

namespace {

struct ErrorText {
    std::string_view caseName;
    std::string_view description;
};

// In the order of the codes, from 1.
constexpr std::array<ErrorText, 7> kTexts = {{
    {"notPaired", "This app isn't paired with the admin helper"},
    {"unknownService", "No such network service"},
    {"unknownRequest", "The pairing request has expired"},
    {"authorizationFailed", "Administrator authorization failed"},
    {"wrongUser", "The pairing request belongs to another user"},
    {"configurationFailed", "The system refused the network configuration change"},
    {"alreadyPending", "A pairing request is already waiting for approval"},
}};

const ErrorText& textOf(AdminError error) {
    return kTexts[static_cast<size_t>(rawValue(error) - 1)];
}

} // namespace

std::optional<AdminError> adminErrorFromRawValue(int rawValue) {
    if (rawValue < 1 || rawValue > static_cast<int>(kTexts.size())) {
        return std::nullopt;
    }
    return static_cast<AdminError>(rawValue);
}

std::string_view caseName(AdminError error) {
    return textOf(error).caseName;
}

std::string_view description(AdminError error) {
    return textOf(error).description;
}

} // namespace wirelark
