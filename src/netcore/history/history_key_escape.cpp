#include "netcore/history/history_key_escape.h"

#include <cstdint>

namespace wirelark {

namespace {

bool isContinuation(uint8_t byte) {
    return (byte & 0xC0) == 0x80;
}

// Length of the well-formed UTF-8 sequence at `at` (RFC 3629: no overlong forms, no
// surrogates, nothing above U+10FFFF), or 0 when none starts there.
size_t sequenceLength(std::string_view text, size_t at) {
    const auto byte = [&](size_t i) { return static_cast<uint8_t>(text[at + i]); };
    const uint8_t lead = byte(0);
    if (lead < 0x80) {
        return 1;
    }
    size_t length = 0;
    uint8_t low = 0x80, high = 0xBF; // range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (text.size() - at < length || byte(1) < low || byte(1) > high) {
        return 0;
    }
    for (size_t i = 2; i < length; ++i) {
        if (!isContinuation(byte(i))) {
            return 0;
        }
    }
    return length;
}

} // namespace

std::string escapedHistoryKey(std::string_view key) {
    std::string stored;
    stored.reserve(key.size());
    for (size_t at = 0; at < key.size();) {
        if (const size_t length = sequenceLength(key, at); length > 0) {
            stored.append(key.substr(at, length));
            at += length;
            continue;
        }
        // U+DC00 + byte in UTF-8's three-byte form; the byte is at least 0x80.
        const auto byte = static_cast<uint8_t>(key[at++]);
        stored += static_cast<char>(0xED);
        stored += static_cast<char>(0xB0 | byte >> 6);
        stored += static_cast<char>(0x80 | (byte & 0x3F));
    }
    return stored;
}

std::string unescapedHistoryKey(std::string_view stored) {
    std::string key;
    key.reserve(stored.size());
    for (size_t at = 0; at < stored.size(); ++at) {
        const auto byte = [&](size_t i) { return static_cast<uint8_t>(stored[at + i]); };
        if (byte(0) == 0xED && stored.size() - at >= 3 && (byte(1) == 0xB2 || byte(1) == 0xB3) &&
            isContinuation(byte(2))) {
            key += static_cast<char>((byte(1) & 0x03) << 6 | (byte(2) & 0x3F));
            at += 2;
        } else {
            key += stored[at];
        }
    }
    return key;
}

} // namespace wirelark
