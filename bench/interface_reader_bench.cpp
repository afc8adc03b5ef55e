// snapshot() on this machine's interfaces and in a namespace of 200 veth pairs, next to the
// floor: one RTM_GETLINK and one RTM_GETADDR dump of the same namespace, decoded and discarded.
#include "netcore/interfaces/interface_reader.h"
#include "netcore/kernel/netlink_socket.h"
#include "netcore/kernel/wlk_kernel.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <linux/rtnetlink.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

int hostNamespace = -1;
int vethNamespace = -1;

// Creates a namespace holding `pairs` veth pairs, each end with an IPv4 and an IPv6 address.
int makeVethNamespace(int pairs) {
    if (geteuid() != 0 || unshare(CLONE_NEWNET) != 0) {
        return -1;
    }
    const std::string batch = "/tmp/wirelark-bench-veth.batch";
    std::FILE* file = std::fopen(batch.c_str(), "w");
    if (file == nullptr) {
        return -1;
    }
    for (int i = 0; i < pairs; ++i) {
        std::fprintf(file, "link add bv%da type veth peer name bv%db\n", i, i);
        for (char end : {'a', 'b'}) {
            const int host = end == 'a' ? 1 : 2;
            std::fprintf(file, "addr add 10.%d.%d.%d/30 dev bv%d%c\n", i / 64, (i % 64) * 4, host,
                         i, end);
            std::fprintf(file, "addr add 2001:db8:%x::%d/64 dev bv%d%c nodad\n", i, host, i, end);
            std::fprintf(file, "link set bv%d%c up\n", i, end);
        }
    }
    std::fclose(file);
    const int status = std::system(("ip -batch " + batch + " >/dev/null 2>&1").c_str());
    std::remove(batch.c_str());
    if (status != 0) {
        return -1;
    }
    return open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
}

void snapshotIn(benchmark::State& state, int ns) {
    if (ns < 0 || setns(ns, CLONE_NEWNET) != 0) {
        state.SkipWithError("needs root to build the namespace");
        return;
    }
    wirelark::InterfaceReader reader;
    const auto first = reader.snapshot(); // fills the kept ethtool and sysfs details
    if (!first) {
        state.SkipWithError(("cannot read the interfaces: " + first.error().message()).c_str());
        return;
    }
    size_t interfaces = (*first)->size();
    for (auto _ : state) {
        auto snapshots = reader.snapshot();
        interfaces = snapshots ? (*snapshots)->size() : 0;
        benchmark::DoNotOptimize(snapshots);
    }
    state.counters["interfaces"] = static_cast<double>(interfaces);
}

void BM_SnapshotThisMachine(benchmark::State& state) {
    snapshotIn(state, hostNamespace);
}

void BM_Snapshot400Interfaces(benchmark::State& state) {
    snapshotIn(state, vethNamespace);
}

void BM_DumpFloor400Interfaces(benchmark::State& state) {
    if (vethNamespace < 0 || setns(vethNamespace, CLONE_NEWNET) != 0) {
        state.SkipWithError("needs root to build the namespace");
        return;
    }
    auto netlink = wirelark::NetlinkSocket::open();
    if (!netlink) {
        state.SkipWithError(("cannot open netlink: " + netlink.error().message()).c_str());
        return;
    }
    for (auto _ : state) {
        size_t decoded = 0;
        const std::error_code links =
            netlink->dump(RTM_GETLINK, AF_UNSPEC, [&](std::span<const uint8_t> message) {
                wlk_link link;
                decoded += wlk_decode_link(message.data(), message.size(), &link);
                benchmark::DoNotOptimize(link);
            });
        const std::error_code addresses =
            netlink->dump(RTM_GETADDR, AF_UNSPEC, [&](std::span<const uint8_t> message) {
                wlk_addr address;
                decoded += wlk_decode_addr(message.data(), message.size(), &address);
                benchmark::DoNotOptimize(address);
            });
        if (links || addresses) {
            state.SkipWithError("a dump failed");
            break;
        }
        benchmark::DoNotOptimize(decoded);
    }
}

BENCHMARK(BM_SnapshotThisMachine)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Snapshot400Interfaces)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DumpFloor400Interfaces)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    hostNamespace = open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
    vethNamespace = makeVethNamespace(200);
    if (vethNamespace < 0) {
        std::fputs("note: not root or no namespaces; the 400-interface benchmarks are skipped\n",
                   stderr);
    }
    if (hostNamespace >= 0) {
        setns(hostNamespace, CLONE_NEWNET);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
