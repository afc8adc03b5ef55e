#include "bus_thread.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>
#include <future>

namespace wirelark::testing {

BusThread::BusThread(const std::string& address, std::function<bool(sd_bus*)> setup)
    : wakeFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    std::promise<bool> started;
    auto result = started.get_future();
    thread_ = std::thread(
        [this, address, setup = std::move(setup), &started] { run(address, setup, started); });
    ready_ = result.get();
}

BusThread::~BusThread() {
    stopping_ = true;
    wake();
    thread_.join();
    close(wakeFd_);
}

void BusThread::wake() {
    const uint64_t one = 1;
    [[maybe_unused]] const auto written = write(wakeFd_, &one, sizeof one);
}

void BusThread::post(std::function<void(sd_bus*)> action) {
    {
        std::lock_guard lock(mutex_);
        posted_.push_back(std::move(action));
    }
    wake();
}

void BusThread::run(const std::string& address, const std::function<bool(sd_bus*)>& setup,
                    std::promise<bool>& started) {
    sd_bus* bus = nullptr;
    int r = sd_bus_new(&bus);
    r = r < 0 ? r : sd_bus_set_address(bus, address.c_str());
    r = r < 0 ? r : sd_bus_set_bus_client(bus, 1);
    r = r < 0 ? r : sd_bus_start(bus);
    const bool ok = r >= 0 && setup(bus);
    started.set_value(ok);
    while (ok && !stopping_) {
        while ((r = sd_bus_process(bus, nullptr)) > 0) {
        }
        if (r < 0) {
            break;
        }
        uint64_t deadline = UINT64_MAX;
        sd_bus_get_timeout(bus, &deadline);
        pollfd fds[2] = {{sd_bus_get_fd(bus), static_cast<short>(sd_bus_get_events(bus)), 0},
                         {wakeFd_, POLLIN, 0}};
        // sd-bus's deadline is absolute; a short poll is simpler than converting it.
        poll(fds, 2, deadline == UINT64_MAX ? -1 : 10);
        if (fds[1].revents & POLLIN) {
            uint64_t count = 0;
            [[maybe_unused]] const auto got = read(wakeFd_, &count, sizeof count);
            std::vector<std::function<void(sd_bus*)>> actions;
            {
                std::lock_guard lock(mutex_);
                actions.swap(posted_);
            }
            for (auto& action : actions) {
                action(bus);
            }
        }
    }
    sd_bus_flush_close_unref(bus);
}

} // namespace wirelark::testing
