#include "netcore/sysconfig/network_change_watcher.h"

#include <linux/rtnetlink.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <ctime>

namespace wirelark {

namespace {

enum Source : uint32_t { kKernel, kBus, kGatherTimer, kBusTimer };

constexpr unsigned kGroups[] = {RTNLGRP_LINK, RTNLGRP_IPV4_IFADDR, RTNLGRP_IPV6_IFADDR,
                                RTNLGRP_IPV4_ROUTE, RTNLGRP_IPV6_ROUTE};

void watch(int epoll, int fd, uint32_t events, Source source, int operation = EPOLL_CTL_ADD) {
    epoll_event event{};
    event.events = events;
    event.data.u32 = source;
    epoll_ctl(epoll, operation, fd, &event);
}

uint32_t epollEvents(short pollEvents) {
    return ((pollEvents & POLLIN) ? EPOLLIN : 0u) | ((pollEvents & POLLOUT) ? EPOLLOUT : 0u);
}

uint64_t monotonicUsecNow() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1'000'000 +
           static_cast<uint64_t>(now.tv_nsec) / 1000;
}

// Reads a timer's expiry count; true when it fired since the last read.
bool fired(const UniqueFd& timer) {
    uint64_t expirations = 0;
    return read(timer.get(), &expirations, sizeof expirations) == sizeof expirations &&
           expirations > 0;
}

} // namespace

NetworkChangeWatcher::NetworkChangeWatcher(Handler handler, std::optional<DbusConnection> bus,
                                           std::chrono::milliseconds gatherDelay)
    : handler_(std::move(handler)), gatherDelay_(gatherDelay), epoll_(epoll_create1(EPOLL_CLOEXEC)),
      gatherTimer_(timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK)),
      busTimer_(timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK)) {
    if (!epoll_ || !gatherTimer_ || !busTimer_) {
        epoll_.reset();
        return;
    }
    watch(epoll_.get(), gatherTimer_.get(), EPOLLIN, kGatherTimer);
    watch(epoll_.get(), busTimer_.get(), EPOLLIN, kBusTimer);

    // Join the groups before listing the links, so that no change falls between the two.
    auto events = NetlinkSocket::open();
    bool joined = events.has_value();
    for (const unsigned group : kGroups) {
        joined = joined && !events->joinGroup(group);
    }
    if (joined) {
        events_ = std::move(*events);
        watch(epoll_.get(), events_->fd(), EPOLLIN, kKernel);
        if (auto lister = NetlinkSocket::open()) {
            mapper_.reset(dumpLinkFacts(*lister).value_or(std::vector<LinkFacts>{}));
        }
    }

    if (bus) {
        bus_ = std::move(bus);
        profiles_ = std::make_unique<ProfileChangeSignals>(
            *bus_, [this](std::string key) { pending_.add(std::move(key)); });
        watch(epoll_.get(), bus_->fd(), epollEvents(bus_->pollEvents()), kBus);
        armTimer(busTimer_, bus_->timeoutUsec());
    }
}

NetworkChangeWatcher::~NetworkChangeWatcher() {
    // The profile signals refer to the bus; the descriptors close after them.
    profiles_.reset();
}

void NetworkChangeWatcher::armTimer(const UniqueFd& timer, uint64_t monotonicUsec) {
    itimerspec timing{};
    if (monotonicUsec != UINT64_MAX) {
        // Zero would disarm the timer; an instant in the past fires at once.
        const uint64_t at = std::max<uint64_t>(monotonicUsec, 1);
        timing.it_value.tv_sec = static_cast<time_t>(at / 1'000'000);
        timing.it_value.tv_nsec = static_cast<long>(at % 1'000'000) * 1000;
    }
    timerfd_settime(timer.get(), TFD_TIMER_ABSTIME, &timing, nullptr);
}

void NetworkChangeWatcher::readKernel() {
    if (!events_) {
        return;
    }
    const std::error_code error =
        events_->drain([&](std::span<const uint8_t> message) { mapper_.map(message, pending_); });
    if (error == std::errc::no_buffer_space) {
        resynchronise();
    }
}

void NetworkChangeWatcher::resynchronise() {
    // Notifications were dropped: whatever they said, the interface list must be read again.
    if (auto lister = NetlinkSocket::open()) {
        if (auto links = dumpLinkFacts(*lister)) {
            mapper_.reset(*links);
        }
    }
    pending_.add(ChangeKeyMapper::kInterfaceList);
}

void NetworkChangeWatcher::processBus() {
    if (!bus_) {
        return;
    }
    fired(busTimer_);
    if (!bus_->processPending()) {
        dropBus();
        return;
    }
    watch(epoll_.get(), bus_->fd(), epollEvents(bus_->pollEvents()), kBus, EPOLL_CTL_MOD);
    armTimer(busTimer_, bus_->timeoutUsec());
}

void NetworkChangeWatcher::dropBus() {
    // The bus went away; the kernel side goes on alone.
    epoll_ctl(epoll_.get(), EPOLL_CTL_DEL, bus_->fd(), nullptr);
    armTimer(busTimer_, UINT64_MAX);
    profiles_.reset();
    bus_.reset();
}

void NetworkChangeWatcher::dispatch() {
    if (!epoll_) {
        return;
    }
    readKernel();
    processBus();
    const bool due = fired(gatherTimer_);
    if (pending_.empty()) {
        gathering_ = false;
        return;
    }
    if (!gathering_) {
        gathering_ = true;
        const auto delay = std::chrono::duration_cast<std::chrono::microseconds>(gatherDelay_);
        armTimer(gatherTimer_, monotonicUsecNow() + static_cast<uint64_t>(delay.count()));
        return;
    }
    if (!due) {
        return;
    }
    gathering_ = false;
    const auto keys = pending_.take();
    // A copy, so that the handler may destroy this watcher (and its handler) while it runs.
    const Handler handler = handler_;
    handler(keys);
}

} // namespace wirelark
