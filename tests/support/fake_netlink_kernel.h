#pragma once

#include "netcore/base/unique_fd.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace wirelark::testing {

// A recorded reply to one kind of dump, and how many of the next answers the kernel marks as
// interrupted (NLM_F_DUMP_INTR: the list changed while it was read).
struct RecordedDump {
    std::vector<std::vector<uint8_t>> datagrams;
    int interruptedAnswers = 0;
};

// Stands in for the kernel at the far end of a socket pair: answers each dump request with the
// recorded reply for its message type, under the request's sequence number.
class FakeNetlinkKernel {
public:
    explicit FakeNetlinkKernel(std::map<uint16_t, RecordedDump> dumps);
    ~FakeNetlinkKernel();
    FakeNetlinkKernel(const FakeNetlinkKernel&) = delete;
    FakeNetlinkKernel& operator=(const FakeNetlinkKernel&) = delete;

    // The caller's end, for NetlinkSocket::adopt; taken once.
    UniqueFd takeCallerEnd() { return std::move(callerEnd_); }
    // How many requests of `type` were answered so far.
    int requests(uint16_t type);

private:
    void serve();
    void answer(uint16_t type, uint32_t sequence);
    void refuse(uint32_t sequence, int error);

    UniqueFd callerEnd_;
    UniqueFd kernelEnd_;
    std::mutex mutex_;
    std::map<uint16_t, RecordedDump> dumps_;
    std::map<uint16_t, int> requests_;
    std::thread thread_;
};

} // namespace wirelark::testing
