#pragma once

#include "temp_dir.h"

#include <sys/types.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace wirelark::testing {

// A dbus-daemon of its own, with no service directories, so nothing is ever activated: the
// only services on it are the fakes a test starts.
class PrivateBus {
public:
    // Null (with the reason in `why`) when the daemon cannot start.
    static std::unique_ptr<PrivateBus> start(std::string& why);
    // A bus that, like the system bus, lets root alone own names and call methods, plus what
    // the policy files `policies` allow.
    static std::unique_ptr<PrivateBus>
    startSystemLike(std::string& why, const std::vector<std::filesystem::path>& policies);
    ~PrivateBus();

    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    const std::string& address() const { return address_; }
    // Makes this bus the system bus of the process (DBUS_SYSTEM_BUS_ADDRESS).
    void becomeSystemBus() const;
    // Stops and continues the daemon: a bus that reads nothing meanwhile, so that a client's
    // socket fills up.
    void freeze() const;
    void thaw() const;
    // Makes this bus the session bus of the process (DBUS_SESSION_BUS_ADDRESS).
    void becomeSessionBus() const;
    // Lets processes of every user reach the socket, for tests that call as another user.
    void openToAllUsers() const;

private:
    // A daemon whose configuration holds `policy`.
    static std::unique_ptr<PrivateBus> launch(std::string& why, const std::string& policy);
    PrivateBus(std::unique_ptr<TempDir> folder, pid_t pid, std::string address)
        : folder_(std::move(folder)), pid_(pid), address_(std::move(address)) {}

    // Holds the daemon's configuration and socket.
    std::unique_ptr<TempDir> folder_;
    pid_t pid_;
    std::string address_;
};

} // namespace wirelark::testing
