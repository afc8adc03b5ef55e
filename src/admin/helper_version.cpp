#include "admin/helper_version.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace wirelark {

namespace {

// A piece whose digits overflow reads as 0, as one without digits does.
uint64_t leadingNumber(std::string_view piece) {
    uint64_t number = 0;
    for (const char c : piece) {
        if (c < '0' || c > '9') {
            break;
        }
        const auto digit = static_cast<uint64_t>(c - '0');
        if (number > (UINT64_MAX - digit) / 10) {
            return 0;
        }
        number = number * 10 + digit;
    }
    return number;
}

std::vector<uint64_t> versionNumbers(std::string_view version) {
    std::vector<uint64_t> numbers;
    while (!version.empty()) {
        const size_t dot = version.find('.');
        const std::string_view piece = version.substr(0, dot);
        if (!piece.empty()) {
            numbers.push_back(leadingNumber(piece));
        }
        version = dot == std::string_view::npos ? std::string_view() : version.substr(dot + 1);
    }
    return numbers;
}

} // namespace

bool isNewerVersion(std::string_view candidate, std::string_view installed) {
    const std::vector<uint64_t> newer = versionNumbers(candidate);
    const std::vector<uint64_t> older = versionNumbers(installed);
    for (size_t i = 0; i < std::max(newer.size(), older.size()); ++i) {
        const uint64_t left = i < newer.size() ? newer[i] : 0;
        const uint64_t right = i < older.size() ? older[i] : 0;
        if (left != right) {
            return left > right;
        }
    }
    return false;
}

} // namespace wirelark
