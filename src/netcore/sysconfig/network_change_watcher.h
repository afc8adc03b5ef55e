#pragma once

#include "netcore/base/unique_fd.h"
#include "netcore/dbus/dbus_connection.h"
#include "netcore/kernel/netlink_socket.h"
#include "netcore/sysconfig/change_keys.h"
#include "netcore/sysconfig/profile_change_signals.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace wirelark {

// Tells its handler what changed in the network configuration: links, addresses and routes
// from rtnetlink, connection profiles from NetworkManager. A burst of changes (a link going down
// sends many messages within a millisecond) is gathered for `gatherDelay` into one call.
//
// It runs on the owner's event loop: poll fd() for input and call dispatch() when it is ready;
// the handler runs only inside dispatch(). Destroying the watcher stops delivery at once, and the
// handler may destroy it.
class NetworkChangeWatcher {
public:
    using Handler = std::function<void(const std::vector<std::string>& keys)>;
    static constexpr std::chrono::milliseconds kGatherDelay{150};

    // `bus` is the system bus, or absent to watch the kernel only.
    NetworkChangeWatcher(Handler handler, std::optional<DbusConnection> bus,
                         std::chrono::milliseconds gatherDelay = kGatherDelay);
    ~NetworkChangeWatcher();

    NetworkChangeWatcher(const NetworkChangeWatcher&) = delete;
    NetworkChangeWatcher& operator=(const NetworkChangeWatcher&) = delete;

    // Readable whenever dispatch() has something to do; -1 when nothing could be set up.
    int fd() const { return epoll_.get(); }
    // Whether rtnetlink notifications arrive (the socket opened and joined its groups).
    bool watchesKernel() const { return events_.has_value(); }
    // Handles what is ready without blocking.
    void dispatch();

private:
    void readKernel();
    void processBus();
    void dropBus();
    void resynchronise();
    void armTimer(const UniqueFd& timer, uint64_t monotonicUsec);

    Handler handler_;
    std::chrono::milliseconds gatherDelay_;
    UniqueFd epoll_;
    UniqueFd gatherTimer_;
    UniqueFd busTimer_;
    std::optional<NetlinkSocket> events_;
    ChangeKeyMapper mapper_;
    ChangedKeys pending_;
    bool gathering_ = false;
    std::optional<DbusConnection> bus_;
    // Refers to bus_, so it is declared after it and goes first.
    std::unique_ptr<ProfileChangeSignals> profiles_;
};

} // namespace wirelark
