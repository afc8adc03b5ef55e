#pragma once

#include <string>
#include <string_view>

namespace wirelark {

// History keys hold interface names, which the kernel takes as any bytes, while property-list
// strings are Unicode. A key that is valid UTF-8 is stored exactly as it is. Each byte b of a key
// that no valid UTF-8 sequence covers is stored as the lone surrogate U+DC00 + b (as Python's
// "surrogateescape" does): valid UTF-8 never holds a surrogate, so every key loads back equal to
// what was saved. The stored form writes those surrogates as three bytes (ED B2 80 to ED B3 BF),
// which the property-list library turns into UTF-16 units one for one.
std::string escapedHistoryKey(std::string_view key);
// The key a stored key stands for: the inverse of escapedHistoryKey.
std::string unescapedHistoryKey(std::string_view stored);

} // namespace wirelark
