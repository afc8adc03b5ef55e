#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace wirelark {

// The helper keeps digests of pairing tokens, never the tokens themselves.
namespace TokenDigest {

using Digest = std::array<uint8_t, 32>;

// Equal only when the lengths are equal and every byte pair is; walks the whole length whatever
// it finds, so the time taken says nothing about where two digests of one length differ.
bool equal(std::span<const uint8_t> a, std::span<const uint8_t> b);
// SHA-256 of the token's bytes; absent when OpenSSL fails.
std::optional<Digest> digest(std::string_view token);
// A fresh token: 32 random bytes as 64 lowercase hexadecimal digits; absent when the system
// has no randomness to give.
std::optional<std::string> generateToken();

} // namespace TokenDigest

} // namespace wirelark
