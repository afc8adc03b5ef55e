#include "helper/pairing_state_text.h"

#include <optional>

namespace wirelark::PairingStateText {

namespace {

constexpr std::string_view kHexDigits = "0123456789abcdef";

std::optional<uint8_t> hexValue(char digit) {
    const size_t at = kHexDigits.find(digit);
    return at == std::string_view::npos ? std::nullopt
                                        : std::optional<uint8_t>(static_cast<uint8_t>(at));
}

std::optional<TokenDigest::Digest> digestFromHex(std::string_view line) {
    TokenDigest::Digest digest{};
    if (line.size() != digest.size() * 2) {
        return std::nullopt;
    }
    for (size_t i = 0; i < digest.size(); ++i) {
        const auto high = hexValue(line[2 * i]);
        const auto low = hexValue(line[2 * i + 1]);
        if (!high || !low) {
            return std::nullopt;
        }
        digest[i] = static_cast<uint8_t>(*high << 4 | *low);
    }
    return digest;
}

} // namespace

std::string encode(const std::vector<TokenDigest::Digest>& digests) {
    std::string text;
    for (const auto& digest : digests) {
        for (const uint8_t byte : digest) {
            text += kHexDigits[byte >> 4];
            text += kHexDigits[byte & 0xf];
        }
        text += '\n';
    }
    return text;
}

std::vector<TokenDigest::Digest> decode(std::string_view text) {
    std::vector<TokenDigest::Digest> digests;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        if (const auto digest = digestFromHex(text.substr(0, end))) {
            digests.push_back(*digest);
        }
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    return digests;
}

} // namespace wirelark::PairingStateText
