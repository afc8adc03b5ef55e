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

std::optional<NetlinkSocket> NetlinkSocket::open(int protocol) {
    const int fd = socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, protocol);
    if (fd < 0) {
        return std::nullopt;
    }
    // A kernel that never answers must not hang the caller for ever.
    timeval timeout{5, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    const int one = 1;
    setsockopt(fd, SOL_NETLINK, NETLINK_EXT_ACK, &one, sizeof one);
    sockaddr_nl local{};
    local.nl_family = AF_NETLINK;
    if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        const int saved = errno;
        ::close(fd);
        errno = saved;
        return std::nullopt;
    }
    NetlinkSocket socket(fd);
    socket.sequence_ = static_cast<uint32_t>(std::time(nullptr));
    socket.buffer_.resize(kInitialBuffer);
    return socket;
}

NetlinkSocket::NetlinkSocket(NetlinkSocket&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), sequence_(other.sequence_),
      buffer_(std::move(other.buffer_)) {}

NetlinkSocket& NetlinkSocket::operator=(NetlinkSocket&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = std::exchange(other.fd_, -1);
        sequence_ = other.sequence_;
        buffer_ = std::move(other.buffer_);
    }
    return *this;
}

NetlinkSocket::~NetlinkSocket() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

int NetlinkSocket::joinGroup(unsigned group) {
    if (setsockopt(fd_, SOL_NETLINK, NETLINK_ADD_MEMBERSHIP, &group, sizeof group) != 0) {
        return errno;
    }
    return 0;
}

long NetlinkSocket::receive(int flags) {
    for (;;) {
        // Peek first so that a datagram larger than the buffer grows it instead of being cut.
        iovec peekVector{buffer_.data(), 0};
        msghdr peek{};
        peek.msg_iov = &peekVector;
        peek.msg_iovlen = 1;
        const ssize_t size = recvmsg(fd_, &peek, MSG_PEEK | MSG_TRUNC | flags);
        if (size < 0) {
            if (errno == EINTR) {
                continue;
            }
            return -errno;
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
        const ssize_t got = recvmsg(fd_, &message, flags);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return -errno;
        }
        if (from.nl_pid != 0) {
            continue; // only the kernel speaks to us
        }
        return got;
    }
}

int NetlinkSocket::transact(std::vector<uint8_t> request, const NetlinkMessageHandler& onMessage,
                            const std::function<void()>& onRestart) {
    if (fd_ < 0 || request.size() < NLMSG_HDRLEN) {
        return EINVAL;
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
            sent = sendto(fd_, request.data(), request.size(), 0,
                          reinterpret_cast<sockaddr*>(&kernel), sizeof kernel);
        } while (sent < 0 && errno == EINTR);
        if (sent < 0) {
            return errno;
        }
        NetlinkReplyProgress progress;
        bool interrupted = false;
        while (!progress.finished) {
            const long size = receive(0);
            if (size < 0) {
                return static_cast<int>(-size);
            }
            progress = readNetlinkReply({buffer_.data(), static_cast<size_t>(size)},
                                        header.nlmsg_seq, onMessage);
            interrupted = interrupted || progress.interrupted;
        }
        if (!interrupted || progress.error != 0) {
            return progress.error;
        }
        if (onRestart) {
            onRestart();
        }
    }
    return EINTR;
}

int NetlinkSocket::dump(uint16_t type, uint8_t family, const NetlinkMessageHandler& onMessage,
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

int NetlinkSocket::drain(const NetlinkMessageHandler& onMessage) {
    for (;;) {
        const long size = receive(MSG_DONTWAIT);
        if (size == -EAGAIN || size == -EWOULDBLOCK) {
            return 0;
        }
        if (size < 0) {
            return static_cast<int>(-size);
        }
        forEachNetlinkMessage({buffer_.data(), static_cast<size_t>(size)}, onMessage);
    }
}

} // namespace wirelark
