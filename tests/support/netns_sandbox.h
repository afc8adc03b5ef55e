#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace wirelark::testing {

// Moves the calling process into a new network namespace and a new mount namespace with a
// freshly mounted sysfs, so that /sys/class/net shows the new namespace's links. Returns why
// that was impossible (no privilege, no namespace support), or nullopt once inside.
std::optional<std::string> enterPrivateNetworkNamespace();

// Runs a shell command (typically `ip ...`) inside the namespace; returns its exit status.
int run(const std::string& command);

// Gives the namespace two interfaces with a default route each, wd0 (10.1.0.1/24, metric 100,
// the better one) and wd1 (10.2.0.1/24, metric 200), their veth peers wd0p and wd1p up. Returns
// the command that failed, or nullopt.
std::optional<std::string> addTwoDefaultRoutes();

// Sends UDP datagrams of `size` bytes to port 9 of an IPv4 address; returns how many went out.
// Sent to a neighbour with a fixed link address, each leaves its link as one frame.
int sendDatagrams(const std::string& address, int count, size_t size);

} // namespace wirelark::testing

// Skips the current test, saying why, when a private network namespace cannot be made.
#define WIRELARK_ENTER_NETNS_OR_SKIP()                                                             \
    do {                                                                                           \
        if (auto reason = ::wirelark::testing::enterPrivateNetworkNamespace()) {                   \
            GTEST_SKIP() << *reason;                                                               \
        }                                                                                          \
    } while (0)
