#include "admin/token_digest.h"

#include <openssl/rand.h>
#include <openssl/sha.h>

namespace wirelark::TokenDigest {

bool equal(std::span<const uint8_t> a, std::span<const uint8_t> b) {
    if (a.size() != b.size()) {
        return false;
    }
    uint8_t difference = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        difference |= a[i] ^ b[i];
    }
    return difference == 0;
}

std::optional<Digest> digest(std::string_view token) {
    Digest out{};
    if (SHA256(reinterpret_cast<const unsigned char*>(token.data()), token.size(), out.data()) ==
        nullptr) {
        return std::nullopt;
    }
    return out;
}

std::optional<std::string> generateToken() {
    std::array<unsigned char, 32> bytes{};
    if (RAND_bytes(bytes.data(), static_cast<int>(bytes.size())) != 1) {
        return std::nullopt;
    }
    constexpr std::string_view kDigits = "0123456789abcdef";
    std::string token;
    token.reserve(bytes.size() * 2);
    for (const unsigned char byte : bytes) {
        token += kDigits[byte >> 4];
        token += kDigits[byte & 0x0f];
    }
    return token;
}

} // namespace wirelark::TokenDigest
