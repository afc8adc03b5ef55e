#pragma once

#include "netcore/base/expected.h"
#include "netcore/base/unique_fd.h"
#include "netcore/kernel/netlink_reply.h"

#include <cstdint>
#include <system_error>
#include <vector>

namespace wirelark {

// A netlink socket that survives the kernel's ways of failing: sized reads, EINTR, replies to
// other requests, dumps that change while they are read, and dropped notifications.
class NetlinkSocket {
public:
    // Opens a socket of the protocol (NETLINK_ROUTE by default).
    static Expected<NetlinkSocket, std::error_code> open(int protocol = 0);
    // Speaks netlink over a descriptor opened elsewhere (a stand-in for the kernel in tests).
    static NetlinkSocket adopt(UniqueFd fd);

    int fd() const { return fd_.get(); }

    // Subscribes to a multicast group (RTNLGRP_*).
    [[nodiscard]] std::error_code joinGroup(unsigned group);

    // Sends `request` (a whole message; its sequence number and flags are filled in here) and
    // hands every reply message to `onMessage` until the reply ends; the error is the one the
    // kernel answered or the socket's. An interrupted dump is read again from the start, after
    // `onRestart`; one interrupted four times in a row fails with EINTR.
    [[nodiscard]] std::error_code transact(std::vector<uint8_t> request,
                                           const NetlinkMessageHandler& onMessage,
                                           const std::function<void()>& onRestart = {});
    // Dumps every object of `type` (RTM_GETLINK, RTM_GETADDR, ...) in `family`.
    [[nodiscard]] std::error_code dump(uint16_t type, uint8_t family,
                                       const NetlinkMessageHandler& onMessage,
                                       const std::function<void()>& onRestart = {});
    // Hands over every queued notification without blocking. Fails with ENOBUFS when the kernel
    // dropped notifications because the queue was full (the reader must resynchronise).
    [[nodiscard]] std::error_code drain(const NetlinkMessageHandler& onMessage);

private:
    explicit NetlinkSocket(UniqueFd fd) : fd_(std::move(fd)) {}
    // Receives one datagram into buffer_; returns its size.
    Expected<size_t, std::error_code> receive(int flags);

    UniqueFd fd_;
    uint32_t sequence_ = 0;
    std::vector<uint8_t> buffer_;
};

} // namespace wirelark
