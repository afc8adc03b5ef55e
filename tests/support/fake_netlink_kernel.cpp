#include "fake_netlink_kernel.h"

#include "netcore/kernel/netlink_reply.h"

#include <linux/netlink.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

namespace wirelark::testing {

FakeNetlinkKernel::FakeNetlinkKernel(std::map<uint16_t, RecordedDump> dumps)
    : dumps_(std::move(dumps)) {
    // Sequenced packets keep the datagram boundaries netlink has.
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) == 0) {
        callerEnd_ = UniqueFd(ends[0]);
        kernelEnd_ = UniqueFd(ends[1]);
        thread_ = std::thread([this] { serve(); });
    }
}

FakeNetlinkKernel::~FakeNetlinkKernel() {
    if (thread_.joinable()) {
        shutdown(kernelEnd_.get(), SHUT_RDWR); // wakes serve()
        thread_.join();
    }
}

int FakeNetlinkKernel::requests(uint16_t type) {
    const std::lock_guard lock(mutex_);
    return requests_[type];
}

void FakeNetlinkKernel::serve() {
    std::vector<uint8_t> request(4096);
    for (;;) {
        const ssize_t size = recv(kernelEnd_.get(), request.data(), request.size(), 0);
        if (size < static_cast<ssize_t>(sizeof(nlmsghdr))) {
            return; // closed or shut down
        }
        nlmsghdr header;
        std::memcpy(&header, request.data(), sizeof header);
        answer(header.nlmsg_type, header.nlmsg_seq);
    }
}

void FakeNetlinkKernel::answer(uint16_t type, uint32_t sequence) {
    const std::lock_guard lock(mutex_);
    ++requests_[type];
    const auto found = dumps_.find(type);
    if (found == dumps_.end()) {
        refuse(sequence, EOPNOTSUPP);
        return;
    }
    RecordedDump& dump = found->second;
    const bool interrupted = dump.interruptedAnswers > 0;
    dump.interruptedAnswers -= interrupted ? 1 : 0;
    for (std::vector<uint8_t> datagram : dump.datagrams) {
        forEachNetlinkMessage(datagram, [&](std::span<const uint8_t> message) {
            uint8_t* at = datagram.data() + (message.data() - datagram.data());
            nlmsghdr header;
            std::memcpy(&header, at, sizeof header);
            header.nlmsg_seq = sequence;
            if (interrupted) {
                header.nlmsg_flags |= NLM_F_DUMP_INTR;
            }
            std::memcpy(at, &header, sizeof header);
        });
        if (send(kernelEnd_.get(), datagram.data(), datagram.size(), MSG_NOSIGNAL) < 0) {
            return;
        }
    }
}

void FakeNetlinkKernel::refuse(uint32_t sequence, int error) {
    struct {
        nlmsghdr header;
        nlmsgerr body;
    } reply{};
    reply.header.nlmsg_len = sizeof reply;
    reply.header.nlmsg_type = NLMSG_ERROR;
    reply.header.nlmsg_seq = sequence;
    reply.body.error = -error;
    [[maybe_unused]] const ssize_t sent =
        send(kernelEnd_.get(), &reply, sizeof reply, MSG_NOSIGNAL);
}

} // namespace wirelark::testing
