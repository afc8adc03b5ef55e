#pragma once

#include <cstddef>
#include <functional>
#include <list>
#include <mutex>
#include <thread>
#include <vector>

#include <systemd/sd-event.h>

namespace wirelark {

// Runs blocking work (NetworkManager calls, the /proc scan) on threads of their own so that the
// bus loop keeps answering, and hands each result back on the loop.
class BackgroundJobs {
public:
    // `limit` jobs run at once at most: a flood of requests cannot make a flood of threads.
    BackgroundJobs(sd_event* event, size_t limit);
    // Waits for the running jobs; their completions are dropped.
    ~BackgroundJobs();

    BackgroundJobs(const BackgroundJobs&) = delete;
    BackgroundJobs& operator=(const BackgroundJobs&) = delete;

    bool ready() const { return source_ != nullptr; }
    // Runs `work` on a thread; the completion it returns then runs on the loop. False, and
    // nothing runs, when `limit` jobs are running already.
    bool start(std::function<std::function<void()>()> work);

private:
    static int onWake(sd_event_source*, int fd, uint32_t, void* self);
    void finishDone();

    struct Job {
        std::thread thread;
        std::function<void()> completion;
        bool done = false;
    };

    size_t limit_;
    int wakeFd_ = -1;
    sd_event_source* source_ = nullptr;
    std::mutex mutex_;
    std::list<Job> jobs_;
};

} // namespace wirelark
