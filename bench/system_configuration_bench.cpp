// SystemConfigurationReader::read() against a fake NetworkManager serving 20 profiles on a
// private bus, and without NetworkManager; TunnelOwners::scan() over this machine's processes.
// Neither may run per tick: these figures say what one re-read after a change costs.
#include "netcore/sysconfig/system_configuration_reader.h"
#include "netcore/sysconfig/tunnel_owners.h"

#include "fake_network_manager.h"
#include "private_bus.h"

#include <benchmark/benchmark.h>

namespace {

using namespace wirelark;
using namespace wirelark::testing;

FakeNetworkManagerFixture twentyProfiles() {
    FakeNetworkManagerFixture fixture;
    fixture.devices = {{"eth0", "eth0"}, {"wlan0", "wlan0"}, {"wwan0", "wwp0s20"}};
    for (int i = 0; i < 20; ++i) {
        FakeProfile profile;
        profile.uuid = "6f1c0b2e-0000-4000-8000-" + std::to_string(100000000000 + i);
        profile.id = "Profile " + std::to_string(i);
        profile.interfaceName = i % 2 == 0 ? "eth0" : "wlan0";
        profile.autoconnectPriority = i % 3;
        profile.timestamp = 1700000000u + static_cast<uint64_t>(i);
        if (i < 3) {
            profile.activeState = 2;
            profile.device = static_cast<size_t>(i);
        }
        fixture.profiles.push_back(profile);
    }
    return fixture;
}

SystemConfigurationReader readerOnBus(const std::string& address) {
    SystemConfigurationReader::Sources sources;
    sources.openBus = [address] { return DbusConnection::openAddress(address); };
    return SystemConfigurationReader(sources);
}

void BM_ReadWithFakeNetworkManager(benchmark::State& state) {
    std::string why;
    auto daemon = PrivateBus::start(why);
    if (!daemon) {
        state.SkipWithError(why.c_str());
        return;
    }
    FakeNetworkManager networkManager(daemon->address(), twentyProfiles());
    const auto reader = readerOnBus(daemon->address());
    size_t services = 0;
    for (auto _ : state) {
        services = reader.read().services.size();
        benchmark::DoNotOptimize(services);
    }
    state.counters["services"] = static_cast<double>(services);
}
BENCHMARK(BM_ReadWithFakeNetworkManager)->Unit(benchmark::kMillisecond);

void BM_ReadOnBusWithoutNetworkManager(benchmark::State& state) {
    std::string why;
    auto daemon = PrivateBus::start(why);
    if (!daemon) {
        state.SkipWithError(why.c_str());
        return;
    }
    const auto reader = readerOnBus(daemon->address());
    for (auto _ : state) {
        benchmark::DoNotOptimize(reader.read());
    }
}
BENCHMARK(BM_ReadOnBusWithoutNetworkManager)->Unit(benchmark::kMicrosecond);

void BM_ReadWithoutBus(benchmark::State& state) {
    SystemConfigurationReader::Sources sources;
    sources.openBus = [] { return std::optional<DbusConnection>(); };
    const SystemConfigurationReader reader(sources);
    for (auto _ : state) {
        benchmark::DoNotOptimize(reader.read());
    }
}
BENCHMARK(BM_ReadWithoutBus)->Unit(benchmark::kMicrosecond);

void BM_TunnelOwnersScan(benchmark::State& state) {
    const TunnelOwners owners;
    size_t found = 0;
    for (auto _ : state) {
        found = owners.scan().size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["owners"] = static_cast<double>(found);
}
BENCHMARK(BM_TunnelOwnersScan)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
