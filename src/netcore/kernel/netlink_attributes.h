#pragma once

#include <linux/netlink.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <span>

namespace wirelark {

// Walks the attributes of a netlink message body; every read stays inside the span, since
// attributes from the kernel (or from a fuzzer) may be short or malformed.
class NetlinkAttributes {
public:
    explicit NetlinkAttributes(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    template <typename Visitor>
    void forEach(Visitor&& visit) const {
        size_t offset = 0;
        while (offset + sizeof(nlattr) <= bytes_.size()) {
            nlattr header;
            std::memcpy(&header, bytes_.data() + offset, sizeof header);
            if (header.nla_len < sizeof(nlattr) || header.nla_len > bytes_.size() - offset) {
                return;
            }
            visit(static_cast<uint16_t>(header.nla_type & NLA_TYPE_MASK),
                  bytes_.subspan(offset + NLA_HDRLEN, header.nla_len - NLA_HDRLEN));
            offset += NLA_ALIGN(header.nla_len);
        }
    }

private:
    std::span<const uint8_t> bytes_;
};

// Copies a fixed-size attribute value; false when the payload is too short for it.
template <typename T>
bool readNetlinkValue(std::span<const uint8_t> payload, T& out) {
    if (payload.size() < sizeof(T)) {
        return false;
    }
    std::memcpy(&out, payload.data(), sizeof(T));
    return true;
}

template <typename T>
std::optional<T> netlinkValue(std::span<const uint8_t> payload) {
    T value;
    if (!readNetlinkValue(payload, value)) {
        return std::nullopt;
    }
    return value;
}

} // namespace wirelark
