#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace wirelark {

// The helper package the app carries, with the release note ({"version": "..."}) that names
// its version.
struct BuiltInHelperPackage {
    std::filesystem::path package;
    std::filesystem::path release;

    // The package when its file is there.
    std::optional<std::filesystem::path> locate() const;
    // The version of the release note; "0" when it is missing or unreadable.
    std::string version() const;
};

// The package this build was configured with (WIRELARK_HELPER_PACKAGE); none by default.
std::optional<BuiltInHelperPackage> configuredBuiltInHelperPackage();

// The keyring the helper's signing key is shipped in (WIRELARK_HELPER_KEYRING).
std::filesystem::path configuredHelperKeyring();

} // namespace wirelark
