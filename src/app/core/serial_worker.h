#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <thread>
#include <type_traits>

namespace wirelark {

// One thread that runs posted jobs one at a time, in the order they were posted. Destroying
// the worker lets the job in progress finish, drops the jobs still waiting (their futures
// report a broken promise) and joins the thread.
class SerialWorker {
public:
    SerialWorker();
    ~SerialWorker();
    SerialWorker(const SerialWorker&) = delete;
    SerialWorker& operator=(const SerialWorker&) = delete;

    void post(std::function<void()> job);

    // Runs `job` on the worker; the future carries its result (or its exception).
    template <typename Job>
    auto submit(Job job) -> std::future<std::invoke_result_t<Job>> {
        auto task =
            std::make_shared<std::packaged_task<std::invoke_result_t<Job>()>>(std::move(job));
        auto future = task->get_future();
        post([task] { (*task)(); });
        return future;
    }

private:
    void run();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace wirelark
