#include "netns_sandbox.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace wirelark::testing {

std::optional<std::string> enterPrivateNetworkNamespace() {
    if (geteuid() != 0) {
        return "needs root to create a private network namespace (CI runs as root)";
    }
    if (unshare(CLONE_NEWNET | CLONE_NEWNS) != 0) {
        return std::string("cannot create a private network namespace: ") + std::strerror(errno);
    }
    // Keep the new sysfs mount out of the host's mount table.
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        return std::string("cannot make mounts private: ") + std::strerror(errno);
    }
    if (mount("sysfs", "/sys", "sysfs", 0, nullptr) != 0) {
        return std::string("cannot mount a fresh sysfs: ") + std::strerror(errno);
    }
    if (run("ip link set lo up") != 0) {
        return "cannot bring up lo in the private namespace (is iproute2 installed?)";
    }
    return std::nullopt;
}

int run(const std::string& command) {
    const int status = std::system((command + " >/dev/null 2>&1").c_str());
    if (status == -1 || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}

std::optional<std::string> addTwoDefaultRoutes() {
    for (const char* command : {
             "ip link add wd0 type veth peer name wd0p",
             "ip link add wd1 type veth peer name wd1p",
             "ip addr add 10.1.0.1/24 dev wd0",
             "ip addr add 10.2.0.1/24 dev wd1",
             "ip link set wd0 up",
             "ip link set wd0p up",
             "ip link set wd1 up",
             "ip link set wd1p up",
             "ip route add default via 10.1.0.254 dev wd0 metric 100",
             "ip route add default via 10.2.0.254 dev wd1 metric 200",
         }) {
        if (run(command) != 0) {
            return command;
        }
    }
    return std::nullopt;
}

int sendDatagrams(const std::string& address, int count, size_t size) {
    const int sock = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(9);
    inet_pton(AF_INET, address.c_str(), &target.sin_addr);
    const std::string payload(size, 'x');
    int sent = 0;
    for (int i = 0; i < count && sock >= 0; ++i) {
        if (sendto(sock, payload.data(), payload.size(), 0, reinterpret_cast<sockaddr*>(&target),
                   sizeof target) == static_cast<ssize_t>(size)) {
            ++sent;
        }
    }
    close(sock);
    return sent;
}

} // namespace wirelark::testing
