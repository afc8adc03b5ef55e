#pragma once

#include <cstdint>
#include <functional>
#include <span>

namespace wirelark {

using NetlinkMessageHandler = std::function<void(std::span<const uint8_t> message)>;

// Calls `visit` with each whole message of a netlink datagram, in order; stops at the first
// message whose length is short or runs past the datagram.
void forEachNetlinkMessage(std::span<const uint8_t> datagram,
                           const std::function<void(std::span<const uint8_t>)>& visit);

struct NetlinkReplyProgress {
    bool finished = false;    // NLMSG_DONE, an acknowledgement or an error ended the reply
    int error = 0;            // positive errno the kernel reported, 0 for none
    bool interrupted = false; // the dump changed while it was read (NLM_F_DUMP_INTR)
};

// Reads one datagram of the reply to request `sequence`: data messages go to `onMessage`,
// messages of other requests are dropped, and the result says whether the reply is complete.
NetlinkReplyProgress readNetlinkReply(std::span<const uint8_t> datagram, uint32_t sequence,
                                      const NetlinkMessageHandler& onMessage);

} // namespace wirelark
