#include "netcore/history/binary_plist.h"

#include <bit>
#include <cstring>

namespace wirelark {

namespace {

constexpr std::size_t kHeaderBytes = 8;
constexpr std::size_t kTrailerBytes = 32;

void appendUtf8(std::string& out, uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xc0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3f));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xe0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3f));
        out += static_cast<char>(0x80 | (code & 0x3f));
    } else {
        out += static_cast<char>(0xf0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3f));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3f));
        out += static_cast<char>(0x80 | (code & 0x3f));
    }
}

} // namespace

std::optional<BinaryPlist> BinaryPlist::open(std::span<const uint8_t> bytes) {
    if (bytes.size() < kHeaderBytes + kTrailerBytes ||
        std::memcmp(bytes.data(), "bplist00", kHeaderBytes) != 0) {
        return std::nullopt;
    }
    BinaryPlist plist(bytes);
    const std::size_t trailer = bytes.size() - kTrailerBytes;
    plist.offsetWidth_ = bytes[trailer + 6];
    plist.referenceWidth_ = bytes[trailer + 7];
    plist.objectCount_ = plist.readUnsigned(trailer + 8, 8);
    plist.root_ = plist.readUnsigned(trailer + 16, 8);
    const uint64_t offsetTable = plist.readUnsigned(trailer + 24, 8);
    if (plist.offsetWidth_ < 1 || plist.offsetWidth_ > 8 || plist.referenceWidth_ < 1 ||
        plist.referenceWidth_ > 8 || plist.root_ >= plist.objectCount_ ||
        offsetTable < kHeaderBytes || offsetTable > trailer ||
        plist.objectCount_ > (trailer - offsetTable) / plist.offsetWidth_) {
        return std::nullopt;
    }
    plist.offsetTable_ = static_cast<std::size_t>(offsetTable);
    return plist;
}

uint64_t BinaryPlist::readUnsigned(std::size_t at, std::size_t width) const {
    uint64_t value = 0;
    for (std::size_t i = 0; i < width; ++i) {
        value = (value << 8) | bytes_[at + i];
    }
    return value;
}

std::optional<BinaryPlist::Header> BinaryPlist::header(uint64_t object) const {
    if (object >= objectCount_) {
        return std::nullopt;
    }
    const uint64_t at =
        readUnsigned(offsetTable_ + static_cast<std::size_t>(object) * offsetWidth_, offsetWidth_);
    // Objects lie between the header and the offset table.
    if (at < kHeaderBytes || at >= offsetTable_) {
        return std::nullopt;
    }
    Header result;
    result.marker = bytes_[at];
    result.count = result.marker & 0x0f;
    result.contentAt = static_cast<std::size_t>(at) + 1;
    const uint8_t type = result.marker >> 4;
    const bool counted = type == 0x4 || type == 0x5 || type == 0x6 || type == 0xa || type == 0xd;
    if (counted && result.count == 0x0f) {
        // The count follows as an integer object of 1, 2, 4 or 8 bytes.
        if (result.contentAt >= offsetTable_) {
            return std::nullopt;
        }
        const uint8_t intMarker = bytes_[result.contentAt];
        const std::size_t width = std::size_t{1} << (intMarker & 0x0f);
        if ((intMarker >> 4) != 0x1 || width > 8 || width > offsetTable_ - result.contentAt - 1) {
            return std::nullopt;
        }
        result.count = readUnsigned(result.contentAt + 1, width);
        result.contentAt += 1 + width;
    }
    return result;
}

std::optional<BinaryPlist::Kind> BinaryPlist::kind(uint64_t object) const {
    const auto found = header(object);
    if (!found) {
        return std::nullopt;
    }
    switch (found->marker >> 4) {
    case 0xd:
        return Kind::dictionary;
    case 0xa:
        return Kind::array;
    case 0x2:
        return Kind::real;
    case 0x4:
        return Kind::data;
    case 0x5:
    case 0x6:
        return Kind::string;
    default:
        return Kind::other;
    }
}

std::optional<std::vector<uint64_t>> BinaryPlist::references(std::size_t at, uint64_t count) const {
    if (count > (offsetTable_ - at) / referenceWidth_) {
        return std::nullopt;
    }
    std::vector<uint64_t> result(static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < result.size(); ++i) {
        result[i] = readUnsigned(at + i * referenceWidth_, referenceWidth_);
    }
    return result;
}

std::optional<std::vector<std::pair<uint64_t, uint64_t>>>
BinaryPlist::entries(uint64_t object) const {
    const auto found = header(object);
    if (!found || (found->marker >> 4) != 0xd || found->count > UINT64_MAX / 2) {
        return std::nullopt;
    }
    const auto refs = references(found->contentAt, found->count * 2);
    if (!refs) {
        return std::nullopt;
    }
    const std::size_t count = refs->size() / 2;
    std::vector<std::pair<uint64_t, uint64_t>> result(count);
    for (std::size_t i = 0; i < count; ++i) {
        result[i] = {(*refs)[i], (*refs)[count + i]};
    }
    return result;
}

std::optional<std::vector<uint64_t>> BinaryPlist::items(uint64_t object) const {
    const auto found = header(object);
    if (!found || (found->marker >> 4) != 0xa) {
        return std::nullopt;
    }
    return references(found->contentAt, found->count);
}

std::optional<double> BinaryPlist::real(uint64_t object) const {
    const auto found = header(object);
    if (!found) {
        return std::nullopt;
    }
    const std::size_t room = offsetTable_ - found->contentAt;
    if (found->marker == 0x22 && room >= 4) {
        return std::bit_cast<float>(static_cast<uint32_t>(readUnsigned(found->contentAt, 4)));
    }
    if (found->marker == 0x23 && room >= 8) {
        return std::bit_cast<double>(readUnsigned(found->contentAt, 8));
    }
    return std::nullopt;
}

std::optional<std::span<const uint8_t>> BinaryPlist::data(uint64_t object) const {
    const auto found = header(object);
    if (!found || (found->marker >> 4) != 0x4 || found->count > offsetTable_ - found->contentAt) {
        return std::nullopt;
    }
    return bytes_.subspan(found->contentAt, static_cast<std::size_t>(found->count));
}

std::optional<std::string> BinaryPlist::string(uint64_t object) const {
    const auto found = header(object);
    if (!found) {
        return std::nullopt;
    }
    const uint8_t type = found->marker >> 4;
    const std::size_t unit = type == 0x6 ? 2 : 1;
    if ((type != 0x5 && type != 0x6) || found->count > (offsetTable_ - found->contentAt) / unit) {
        return std::nullopt;
    }
    const auto count = static_cast<std::size_t>(found->count);
    std::string text;
    text.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        auto code = static_cast<uint32_t>(readUnsigned(found->contentAt + i * unit, unit));
        // A lone U+DC80..U+DCFF is a key's byte that is not UTF-8 (history_key_escape.h).
        const bool escapedByte = unit == 2 && code >= 0xdc80 && code < 0xdd00;
        if (unit == 2 && code >= 0xd800 && code < 0xe000 && !escapedByte) {
            // A high surrogate must be followed by a low one.
            const uint32_t low =
                i + 1 < count
                    ? static_cast<uint32_t>(readUnsigned(found->contentAt + (i + 1) * unit, unit))
                    : 0;
            if (code >= 0xdc00 || low < 0xdc00 || low >= 0xe000) {
                return std::nullopt;
            }
            code = 0x10000 + ((code - 0xd800) << 10) + (low - 0xdc00);
            ++i;
        }
        if (code == 0 || (unit == 1 && code >= 0x80)) {
            return std::nullopt;
        }
        appendUtf8(text, code);
    }
    return text;
}

} // namespace wirelark
