#pragma once

#include "bus_thread.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace wirelark::testing {

// One CheckAuthorization as polkit received it.
struct PolkitQuestion {
    std::string subjectKind;
    std::string busName;
    std::string action;
    uint32_t flags = 0;
};

// A polkit authority that answers every CheckAuthorization with one verdict, and remembers the
// questions.
class FakePolkit {
public:
    explicit FakePolkit(const std::string& busAddress);

    bool ready() const { return thread_.ready(); }
    void setAuthorized(bool authorized) { authorized_ = authorized; }
    std::vector<PolkitQuestion> questions() const;

private:
    static int checkAuthorization(sd_bus_message* call, void* self, sd_bus_error* error);

    std::atomic<bool> authorized_{true};
    mutable std::mutex mutex_;
    std::vector<PolkitQuestion> questions_;
    BusThread thread_;
};

} // namespace wirelark::testing
