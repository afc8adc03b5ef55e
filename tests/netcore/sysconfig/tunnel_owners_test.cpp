#include "netcore/sysconfig/tunnel_owners.h"

#include "netns_sandbox.h"

#include <fcntl.h>
#include <linux/if.h>
#include <linux/if_tun.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstring>
#include <filesystem>

using namespace wirelark;

namespace {

// A tun or tap device held open by this process; -1 when it cannot be made.
int openTunnel(const char* name, short kind) {
    const int fd = open("/dev/net/tun", O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    ifreq request{};
    std::strncpy(request.ifr_name, name, IFNAMSIZ - 1);
    request.ifr_flags = static_cast<short>(kind | IFF_NO_PI);
    if (ioctl(fd, TUNSETIFF, &request) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

} // namespace

TEST(TunnelOwners, JsonFormHasPidNameAndPath) {
    const TunnelOwner owner{42, "Tunnel Tool", "/opt/Tunnel Tool/bin/tool"};
    EXPECT_EQ(toJson(owner).dump(),
              R"({"pid":42,"name":"Tunnel Tool","path":"/opt/Tunnel Tool/bin/tool"})");
}

TEST(TunnelOwners, FindsThisProcessAsOwnerOfItsTunnels) {
    WIRELARK_ENTER_NETNS_OR_SKIP();
    const int tun = openTunnel("wltun7", IFF_TUN);
    const int tap = openTunnel("wltap7", IFF_TAP);
    if (tun < 0 || tap < 0) {
        GTEST_SKIP() << "cannot create tun and tap devices (is /dev/net/tun there?)";
    }
    const std::string path = std::filesystem::read_symlink("/proc/self/exe").string();
    const TunnelOwner self{getpid(), std::filesystem::path(path).filename().string(), path};

    const auto owners = TunnelOwners(std::vector<std::filesystem::path>{}).scan();
    ASSERT_TRUE(owners.contains("wltun7"));
    EXPECT_EQ(owners.at("wltun7"), self);
    ASSERT_TRUE(owners.contains("wltap7"));
    EXPECT_EQ(owners.at("wltap7"), self);
    close(tun);
    close(tap);
    EXPECT_FALSE(TunnelOwners(std::vector<std::filesystem::path>{}).scan().contains("wltun7"));
}

TEST(TunnelOwners, IgnoresProcessesInOtherNetworkNamespaces) {
    WIRELARK_ENTER_NETNS_OR_SKIP();
    int ready[2];
    int done[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(done), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        char status = unshare(CLONE_NEWNET) == 0 && openTunnel("wltun8", IFF_TUN) >= 0 ? 'y' : 'n';
        [[maybe_unused]] auto written = write(ready[1], &status, 1);
        [[maybe_unused]] auto got = read(done[0], &status, 1);
        _exit(0);
    }
    char status = 'n';
    ASSERT_EQ(read(ready[0], &status, 1), 1);
    const int own = openTunnel("wltun9", IFF_TUN);
    const auto owners = TunnelOwners(std::vector<std::filesystem::path>{}).scan();
    [[maybe_unused]] auto written = write(done[1], "x", 1);
    waitpid(child, nullptr, 0);
    if (status != 'y' || own < 0) {
        GTEST_SKIP() << "cannot create tun devices in network namespaces";
    }
    EXPECT_FALSE(owners.contains("wltun8"));
    for (const auto& [name, owner] : owners) {
        EXPECT_NE(owner.pid, child) << name;
    }
    EXPECT_TRUE(owners.contains("wltun9"));
    close(own);
}

TEST(TunnelOwners, LooksForOwnersOnlyWhenATunnelDeviceIsThere) {
    struct Case {
        const char* name;
        const char* command;
        bool present;
    };
    for (const Case& c :
         {Case{"nothing but loopback", "true", false},
          Case{"a veth pair and a bridge",
               "ip link add wv0 type veth peer name wv1 && ip link add wbr0 type bridge", false},
          Case{"a tun device", "ip tuntap add wltun3 mode tun", true},
          Case{"a tap device", "ip tuntap add wltap3 mode tap", true}}) {
        SCOPED_TRACE(c.name);
        WIRELARK_ENTER_NETNS_OR_SKIP();
        ASSERT_EQ(wirelark::testing::run(c.command), 0);
        EXPECT_EQ(tunnelDevicePresent(), c.present);
    }
}
