#include "app/installer/gpg_status.h"

#include <algorithm>
#include <array>
#include <optional>

namespace wirelark {

namespace {

constexpr std::string_view kPrefix = "[GNUPG:] ";

// The next space-separated word of `rest`, removed from it.
std::string_view takeWord(std::string_view& rest) {
    const size_t start = std::min(rest.find_first_not_of(' '), rest.size());
    rest.remove_prefix(start);
    const size_t end = std::min(rest.find(' '), rest.size());
    const std::string_view word = rest.substr(0, end);
    rest.remove_prefix(end);
    return word;
}

std::optional<int> hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return std::nullopt;
}

// gpg escapes a user id's control characters and "%" as %XX; a malformed escape stays as it is.
std::string unescaped(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            const auto high = hexDigit(text[i + 1]);
            const auto low = hexDigit(text[i + 2]);
            if (high && low) {
                result.push_back(static_cast<char>(*high * 16 + *low));
                i += 2;
                continue;
            }
        }
        result.push_back(text[i]);
    }
    return result;
}

bool isFailure(std::string_view keyword) {
    static constexpr std::array<std::string_view, 5> kFailures = {"BADSIG", "ERRSIG", "EXPSIG",
                                                                  "EXPKEYSIG", "REVKEYSIG"};
    for (const std::string_view failure : kFailures) {
        if (keyword == failure) {
            return true;
        }
    }
    return false;
}

void readValidSig(std::string_view rest, GpgSignature& signature) {
    signature.valid = true;
    signature.fingerprint = takeWord(rest);
    // Eight fields stand between the fingerprint and the primary key's.
    for (int field = 0; field < 8; ++field) {
        takeWord(rest);
    }
    signature.primaryFingerprint = takeWord(rest);
}

} // namespace

std::vector<GpgSignature> parseGpgStatus(std::string_view output) {
    std::vector<GpgSignature> signatures;
    auto current = [&]() -> GpgSignature& {
        if (signatures.empty()) {
            signatures.emplace_back();
        }
        return signatures.back();
    };
    while (!output.empty()) {
        const size_t end = std::min(output.find('\n'), output.size());
        std::string_view line = output.substr(0, end);
        output.remove_prefix(std::min(end + 1, output.size()));
        if (!line.starts_with(kPrefix)) {
            continue;
        }
        line.remove_prefix(kPrefix.size());
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        const std::string_view keyword = takeWord(line);
        if (keyword == "NEWSIG") {
            signatures.emplace_back();
        } else if (keyword == "GOODSIG") {
            GpgSignature& signature = current();
            signature.good = true;
            takeWord(line); // the long key id
            signature.userID =
                unescaped(line.substr(std::min(line.find_first_not_of(' '), line.size())));
        } else if (keyword == "VALIDSIG") {
            readValidSig(line, current());
        } else if (isFailure(keyword)) {
            current().failed = true;
        }
    }
    return signatures;
}

} // namespace wirelark
