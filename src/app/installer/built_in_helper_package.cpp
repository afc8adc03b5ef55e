#include "app/installer/built_in_helper_package.h"

#include "admin/helper_feed.h"
#include "netcore/base/atomic_file.h"

#include <string_view>

namespace wirelark {

namespace {

// A release note is a few bytes; anything larger is no release note.
constexpr size_t kLargestReleaseNote = 65'536;

} // namespace

std::optional<std::filesystem::path> BuiltInHelperPackage::locate() const {
    std::error_code error;
    if (package.empty() || !std::filesystem::is_regular_file(package, error)) {
        return std::nullopt;
    }
    return package;
}

std::string BuiltInHelperPackage::version() const {
    const auto bytes = readWholeFile(release, kLargestReleaseNote);
    if (!bytes) {
        return "0";
    }
    const auto version = helperFeedVersion(
        std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
    return version.value_or("0");
}

std::optional<BuiltInHelperPackage> configuredBuiltInHelperPackage() {
    const std::string_view folder = WIRELARK_HELPER_PACKAGE_DIR;
    if (folder.empty()) {
        return std::nullopt;
    }
    const std::filesystem::path base(folder);
    return BuiltInHelperPackage{base / "WirelarkAdmin.deb", base / "helper-release.json"};
}

std::filesystem::path configuredHelperKeyring() {
    return WIRELARK_HELPER_KEYRING;
}

} // namespace wirelark
