#pragma once

#include "netcore/base/once.h"
#include "netcore/base/unique_fd.h"

namespace wirelark {

// Lets another thread stop a lookup: cancel() makes fd() readable, which wakes every poll that
// watches it, and the lookup then ends with a cancellation error.
class Cancellation {
public:
    Cancellation();
    Cancellation(const Cancellation&) = delete;
    Cancellation& operator=(const Cancellation&) = delete;

    void cancel();
    bool cancelled() const { return once_.done(); }
    // Stays readable once cancelled; nobody reads it.
    int fd() const { return fd_.get(); }

private:
    UniqueFd fd_;
    Once once_;
};

} // namespace wirelark
