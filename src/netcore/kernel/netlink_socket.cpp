#include "netcore/kernel/netlink_socket.h"

#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <utility>

namespace wirelark {

namespace {

constexpr int kDumpAttempts = 4;
constexpr size_t kInitialBuffer = 32 * 1024;

} // namespace

Expected<NetlinkSocket, std::error_code> NetlinkSocket::open(int protocol) {
    UniqueFd fd(socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, protocol));
    if (!fd) {
        return Unexpected(errnoCode(errno));
    }
    // A kernel that never answers must not hang the caller for ever.
    timeval timeout{5, 0};
    setsockopt(fd.get(), SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    const int one = 1;
    setsockopt(fd.get(), SOL_NETLINK, NETLINK_EXT_ACK, &one, sizeof one);
    sockaddr_nl local{};
    local.nl_family = AF_NETLINK;
    if (bind(fd.get(), reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        return Unexpected(errnoCode(errno));
    }
    return adopt(std::move(fd));
}

NetlinkSocket NetlinkSocket::adopt(UniqueFd fd) {
    NetlinkSocket socket(std::move(fd));
    socket.sequence_ = static_cast<uint32_t>(std::time(nullptr));
    socket.buffer_.resize(kInitialBuffer);
    return socket;
}

std::error_code NetlinkSocket::joinGroup(unsigned group) {
    if (setsockopt(fd_.get(), SOL_NETLINK, NETLINK_ADD_MEMBERSHIP, &group, sizeof group) != 0) {
        return errnoCode(errno);
    }
    return {};
}

Expected<size_t, std::error_code> NetlinkSocket::receive(int flags) {
    for (;;) {
        // Peek first so that a datagram larger than the buffer grows it instead of being cut.
        iovec peekVector{buffer_.data(), 0};
        msghdr peek{};
        peek.msg_iov = &peekVector;
        peek.msg_iovlen = 1;
        const ssize_t size = recvmsg(fd_.get(), &peek, MSG_PEEK | MSG_TRUNC | flags);
        if (size < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Unexpected(errnoCode(errno));
        }
        if (static_cast<size_t>(size) > buffer_.size()) {
            buffer_.resize(static_cast<size_t>(size));
        }
        sockaddr_nl from{};
        iovec vector{buffer_.data(), buffer_.size()};
        msghdr message{};
        message.msg_name = &from;
        message.msg_namelen = sizeof from;
        message.msg_iov = &vector;
        message.msg_iovlen = 1;
        const ssize_t got = recvmsg(fd_.get(), &message, flags);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Unexpected(errnoCode(errno));
        }
        if (from.nl_pid != 0) {
            continue; // only the kernel speaks to us
        }
        return static_cast<size_t>(got);
    }
}

std::error_code NetlinkSocket::transact(std::vector<uint8_t> request,
                                        const NetlinkMessageHandler& onMessage,
                                        const std::function<void()>& onRestart) {
    if (!fd_ || request.size() < NLMSG_HDRLEN) {
        return errnoCode(EINVAL);
    }
    for (int attempt = 0; attempt < kDumpAttempts; ++attempt) {
        nlmsghdr header;
        std::memcpy(&header, request.data(), sizeof header);
        header.nlmsg_len = static_cast<uint32_t>(request.size());
        header.nlmsg_seq = ++sequence_;
        header.nlmsg_flags |= NLM_F_REQUEST | NLM_F_ACK;
        std::memcpy(request.data(), &header, sizeof header);
        sockaddr_nl kernel{};
        kernel.nl_family = AF_NETLINK;
        ssize_t sent;
        do {
            sent = sendto(fd_.get(), request.data(), request.size(), 0,
                          reinterpret_cast<sockaddr*>(&kernel), sizeof kernel);
        } while (sent < 0 && errno == EINTR);
        if (sent < 0) {
            return errnoCode(errno);
        }
        NetlinkReplyProgress progress;
        bool interrupted = false;
        while (!progress.finished) {
            const auto size = receive(0);
            if (!size) {
                return size.error();
            }
            progress = readNetlinkReply({buffer_.data(), *size}, header.nlmsg_seq, onMessage);
            interrupted = interrupted || progress.interrupted;
        }
        if (!interrupted || progress.error != 0) {
            return progress.error != 0 ? errnoCode(progress.error) : std::error_code();
        }
        if (onRestart) {
            onRestart();
        }
    }
    return errnoCode(EINTR);
}

std::error_code NetlinkSocket::dump(uint16_t type, uint8_t family,
                                    const NetlinkMessageHandler& onMessage,
                                    const std::function<void()>& onRestart) {
    // ifinfomsg is the largest family header a dump request needs; the kernel reads only
    // the family byte of the others.
    std::vector<uint8_t> request(NLMSG_SPACE(sizeof(ifinfomsg)), 0);
    nlmsghdr header{};
    header.nlmsg_type = type;
    header.nlmsg_flags = NLM_F_DUMP;
    std::memcpy(request.data(), &header, sizeof header);
    request[NLMSG_HDRLEN] = family;
    return transact(std::move(request), onMessage, onRestart);
}

std::error_code NetlinkSocket::drain(const NetlinkMessageHandler& onMessage) {
    for (;;) {
        const auto size = receive(MSG_DONTWAIT);
        if (!size) {
            const int error = size.error().value();
            return error == EAGAIN || error == EWOULDBLOCK ? std::error_code() : size.error();
        }
        forEachNetlinkMessage({buffer_.data(), *size}, onMessage);
    }
}

} // namespace wirelark
