#pragma once

#include <linux/netlink.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace wirelark::testing {

// Builds netlink messages by hand for the cases the kernel will not produce on request.
class MessageBuilder {
public:
    MessageBuilder(uint16_t type, uint32_t sequence, uint16_t flags = 0) {
        nlmsghdr header{};
        header.nlmsg_type = type;
        header.nlmsg_seq = sequence;
        header.nlmsg_flags = flags;
        append(&header, sizeof header);
    }
    template <typename T>
    MessageBuilder& body(const T& value) {
        append(&value, sizeof value);
        return *this;
    }
    MessageBuilder& attribute(uint16_t type, const void* data, size_t size) {
        nlattr header{static_cast<uint16_t>(NLA_HDRLEN + size), type};
        append(&header, sizeof header);
        append(data, size);
        return *this;
    }
    MessageBuilder& attribute(uint16_t type, const std::string& text) {
        return attribute(type, text.c_str(), text.size() + 1);
    }
    std::vector<uint8_t> bytes() const {
        std::vector<uint8_t> copy = bytes_;
        const uint32_t length = static_cast<uint32_t>(copy.size());
        std::memcpy(copy.data(), &length, sizeof length);
        return copy;
    }

private:
    void append(const void* data, size_t size) {
        const auto* p = static_cast<const uint8_t*>(data);
        bytes_.insert(bytes_.end(), p, p + size);
        bytes_.resize(NLMSG_ALIGN(bytes_.size()));
    }
    std::vector<uint8_t> bytes_;
};

} // namespace wirelark::testing
