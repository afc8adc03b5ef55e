// Reads the fuzz bytes as the published helper feed (its version alone, and the release with its
// download, which must agree on the version), and compares what it names with a version
// made from the same bytes both ways: a version is never newer than itself, and of two versions
// at most one is newer.
#include "admin/helper_feed.h"
#include "admin/helper_version.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto published = wirelark::helperFeedVersion(bytes);
    const auto release = wirelark::helperFeedRelease(bytes);
    if (release && release->version != published) {
        std::abort();
    }
    const std::string_view other = bytes.substr(0, size / 2);
    const std::string_view version = published ? std::string_view(*published) : bytes;
    if (wirelark::isNewerVersion(version, version) ||
        (wirelark::isNewerVersion(version, other) && wirelark::isNewerVersion(other, version))) {
        std::abort();
    }
    return 0;
}
