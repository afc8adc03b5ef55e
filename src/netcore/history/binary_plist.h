#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace wirelark {

// A read-only view of a binary property list ("bplist00"): objects are addressed by their index
// and read in place when asked for, so nothing is built that the caller does not walk.
class BinaryPlist {
public:
    enum class Kind { dictionary, array, real, data, string, other };

    // Nothing when the header, trailer or offset table is inconsistent with the bytes.
    static std::optional<BinaryPlist> open(std::span<const uint8_t> bytes);

    uint64_t root() const { return root_; }
    std::optional<Kind> kind(uint64_t object) const;

    // Key and value objects of a dictionary, in stored order.
    std::optional<std::vector<std::pair<uint64_t, uint64_t>>> entries(uint64_t object) const;
    std::optional<std::vector<uint64_t>> items(uint64_t object) const;
    std::optional<double> real(uint64_t object) const;
    std::optional<std::span<const uint8_t>> data(uint64_t object) const;
    // ASCII or UTF-16 text as UTF-8; nothing for text with a NUL or a broken surrogate pair.
    std::optional<std::string> string(uint64_t object) const;

private:
    struct Header {
        uint8_t marker = 0;
        uint64_t count = 0;        // element, byte or code-unit count
        std::size_t contentAt = 0; // first byte after the marker and any count object
    };

    BinaryPlist(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    std::optional<Header> header(uint64_t object) const;
    std::optional<std::vector<uint64_t>> references(std::size_t at, uint64_t count) const;
    uint64_t readUnsigned(std::size_t at, std::size_t width) const;

    std::span<const uint8_t> bytes_;
    std::size_t offsetWidth_ = 0;
    std::size_t referenceWidth_ = 0;
    uint64_t objectCount_ = 0;
    uint64_t root_ = 0;
    std::size_t offsetTable_ = 0;
};

} // namespace wirelark
