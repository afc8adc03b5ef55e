#pragma once

#include <functional>
#include <thread>

namespace wirelark {

// Runs one job at a time on a thread of its own: starting the next waits for the previous one,
// and destruction waits for the running one.
class BackgroundJob {
public:
    BackgroundJob() = default;
    BackgroundJob(const BackgroundJob&) = delete;
    BackgroundJob& operator=(const BackgroundJob&) = delete;
    ~BackgroundJob() { wait(); }

    void start(std::function<void()> job) {
        wait();
        thread_ = std::thread(std::move(job));
    }
    bool running() const { return thread_.joinable(); }
    void wait() {
        if (thread_.joinable()) {
            thread_.join();
        }
    }

private:
    std::thread thread_;
};

} // namespace wirelark
