#pragma once

#include <atomic>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <systemd/sd-bus.h>

namespace wirelark::testing {

// One bus connection driven by a thread of its own, for fakes that must answer while the
// test's own thread is busy; everything that touches the connection runs on that thread.
class BusThread {
public:
    // Connects to the bus at `address` and runs `setup` on the thread before serving.
    BusThread(const std::string& address, std::function<bool(sd_bus*)> setup);
    ~BusThread();

    BusThread(const BusThread&) = delete;
    BusThread& operator=(const BusThread&) = delete;

    // True once connected and set up.
    bool ready() const { return ready_; }
    // Runs `action` on the thread soon.
    void post(std::function<void(sd_bus*)> action);

private:
    void run(const std::string& address, const std::function<bool(sd_bus*)>& setup,
             std::promise<bool>& started);
    void wake();

    std::mutex mutex_;
    std::vector<std::function<void(sd_bus*)>> posted_;
    std::atomic<bool> stopping_{false};
    int wakeFd_ = -1;
    bool ready_ = false;
    std::thread thread_;
};

} // namespace wirelark::testing
