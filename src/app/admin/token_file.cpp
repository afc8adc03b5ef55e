#include "app/admin/token_file.h"

#include "netcore/base/atomic_file.h"
#include "netcore/history/history_location.h"

#include <cstdint>
#include <span>

namespace wirelark {

namespace {

// A token is 64 hexadecimal digits; anything much larger is not one.
constexpr std::size_t kTokenFileLimit = 4096;

} // namespace

std::optional<std::filesystem::path> TokenFile::defaultPath() {
    const auto history = defaultHistoryFilePath();
    if (!history) {
        return std::nullopt;
    }
    return history->parent_path() / "admin-token";
}

std::optional<std::string> TokenFile::read() {
    const auto bytes = readWholeFile(path_, kTokenFileLimit);
    if (!bytes || bytes->empty()) {
        return std::nullopt;
    }
    return std::string(bytes->begin(), bytes->end());
}

bool TokenFile::write(const std::string& token) {
    return !writeFileAtomically(
        path_, std::span(reinterpret_cast<const uint8_t*>(token.data()), token.size()));
}

void TokenFile::remove() {
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
}

} // namespace wirelark
