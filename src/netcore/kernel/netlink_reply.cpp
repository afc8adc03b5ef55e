#include "netcore/kernel/netlink_reply.h"

#include <linux/netlink.h>

#include <cerrno>
#include <cstring>

namespace wirelark {

void forEachNetlinkMessage(std::span<const uint8_t> datagram,
                           const std::function<void(std::span<const uint8_t>)>& visit) {
    size_t offset = 0;
    while (datagram.size() - offset >= NLMSG_HDRLEN) {
        nlmsghdr header;
        std::memcpy(&header, datagram.data() + offset, sizeof header);
        if (header.nlmsg_len < NLMSG_HDRLEN || header.nlmsg_len > datagram.size() - offset) {
            return;
        }
        visit(datagram.subspan(offset, header.nlmsg_len));
        const size_t step = NLMSG_ALIGN(header.nlmsg_len);
        if (step > datagram.size() - offset) {
            return;
        }
        offset += step;
    }
}

NetlinkReplyProgress readNetlinkReply(std::span<const uint8_t> datagram, uint32_t sequence,
                                      const NetlinkMessageHandler& onMessage) {
    NetlinkReplyProgress progress;
    forEachNetlinkMessage(datagram, [&](std::span<const uint8_t> message) {
        nlmsghdr header;
        std::memcpy(&header, message.data(), sizeof header);
        if (progress.finished || header.nlmsg_seq != sequence) {
            return;
        }
        if (header.nlmsg_flags & NLM_F_DUMP_INTR) {
            progress.interrupted = true;
        }
        if (header.nlmsg_type == NLMSG_DONE || header.nlmsg_type == NLMSG_ERROR) {
            progress.finished = true;
            int code = 0;
            if (message.size() >= NLMSG_HDRLEN + sizeof code) {
                std::memcpy(&code, message.data() + NLMSG_HDRLEN, sizeof code);
            }
            // The kernel's errors lie in -4095..-1 (MAX_ERRNO); anything below is a malformed
            // reply, and INT_MIN could not even be negated.
            constexpr int kLargestErrno = 4095;
            progress.error = code >= 0 ? 0 : code >= -kLargestErrno ? -code : EPROTO;
            return;
        }
        if (header.nlmsg_type >= NLMSG_MIN_TYPE) {
            onMessage(message);
        }
    });
    return progress;
}

} // namespace wirelark
