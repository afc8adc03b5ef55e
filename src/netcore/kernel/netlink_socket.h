#pragma once

#include "netcore/kernel/netlink_reply.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace wirelark {

// A netlink socket that survives the kernel's ways of failing: sized reads, EINTR, replies to
// other requests, dumps that change while they are read, and dropped notifications.
class NetlinkSocket {
public:
    // Opens a socket of the protocol (NETLINK_ROUTE by default); nullopt with errno set on failure.
    static std::optional<NetlinkSocket> open(int protocol = 0);

    NetlinkSocket(NetlinkSocket&& other) noexcept;
    NetlinkSocket& operator=(NetlinkSocket&& other) noexcept;
    NetlinkSocket(const NetlinkSocket&) = delete;
    NetlinkSocket& operator=(const NetlinkSocket&) = delete;
    ~NetlinkSocket();

    int fd() const { return fd_; }

    // Subscribes to a multicast group (RTNLGRP_*); returns 0 or a positive errno.
    int joinGroup(unsigned group);

    // Sends `request` (a whole message; its sequence number and flags are filled in here) and
    // hands every reply message to `onMessage` until the reply ends. Returns 0 or a positive
    // errno. An interrupted dump is read again from the start, after `onRestart`.
    int transact(std::vector<uint8_t> request, const NetlinkMessageHandler& onMessage,
                 const std::function<void()>& onRestart = {});
    // Dumps every object of `type` (RTM_GETLINK, RTM_GETADDR, ...) in `family`.
    int dump(uint16_t type, uint8_t family, const NetlinkMessageHandler& onMessage,
             const std::function<void()>& onRestart = {});
    // Hands over every queued notification without blocking. Returns 0, or ENOBUFS when the
    // kernel dropped notifications because the queue was full (the reader must resynchronise).
    int drain(const NetlinkMessageHandler& onMessage);

private:
    explicit NetlinkSocket(int fd) : fd_(fd) {}
    // Receives one datagram into buffer_; returns its size or a negative errno.
    long receive(int flags);

    int fd_ = -1;
    uint32_t sequence_ = 0;
    std::vector<uint8_t> buffer_;
};

} // namespace wirelark
