#pragma once

#include <mutex>

namespace wirelark {

// Runs an action the first time it is asked to and never again, whichever thread asks.
class Once {
public:
    // Returns true when this call ran the action.
    template <typename Action>
    bool run(Action&& action) {
        std::lock_guard guard(lock_);
        if (done_) {
            return false;
        }
        done_ = true;
        action();
        return true;
    }

    bool done() const {
        std::lock_guard guard(lock_);
        return done_;
    }

private:
    mutable std::mutex lock_;
    bool done_ = false;
};

} // namespace wirelark
