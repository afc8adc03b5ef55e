// One recorded monitor update for desktop-sized and large machines: 10 and 400 interfaces, each
// with a full 90-day history, five periods and 60 recent samples. The fake reader isolates the
// history work; the 400-interface run with the real reader (a namespace of 200 veth pairs) adds
// the reading, so the two together give the split.
#include "app/core/monitor_core.h"
#include "netcore/interfaces/interface_reader.h"

#include "fake_clock.h"
#include "full_history.h"

#include <benchmark/benchmark.h>

#include <sched.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using namespace wirelark;

const UpdateRequest kRecord{.record = true,
                            .periods = {60, 3600, 86400, 604800, 7776000},
                            .recentCount = 60,
                            .interval = 5};

std::filesystem::path historyFileWith(const std::vector<std::string>& keys) {
    static const RateHistory full = bench::fullHistory();
    HistoryMap histories;
    for (const auto& key : keys) {
        histories.emplace(key, full);
    }
    const auto path = std::filesystem::temp_directory_path() /
                      ("wirelark-monitor-bench-" + std::to_string(::getpid()) + ".plist");
    HistoryStore(path).save(histories);
    return path;
}

// Runs recorded updates five seconds apart, starting just after the histories end.
void runUpdates(benchmark::State& state, MonitorCore& core, testing::FakeClock& clock) {
    for (auto _ : state) {
        clock.wall += kRecord.interval;
        auto update = core.update(kRecord);
        benchmark::DoNotOptimize(update);
    }
}

void BM_MonitorUpdateHistoryWork(benchmark::State& state) {
    const auto count = static_cast<int>(state.range(0));
    std::vector<InterfaceSnapshot> snapshots(static_cast<size_t>(count));
    std::vector<std::string> keys;
    for (int i = 0; i < count; ++i) {
        snapshots[static_cast<size_t>(i)].name = "eth" + std::to_string(i);
        snapshots[static_cast<size_t>(i)].flags = 0x41;
        keys.push_back("name:eth" + std::to_string(i));
    }
    const auto file = historyFileWith(keys);
    testing::FakeClock clock;
    clock.wall = bench::kFeedEnd;
    MonitorCore core(HistoryStore(file), clock,
                     {[shared = std::make_shared<const std::vector<InterfaceSnapshot>>(snapshots)]()
                          -> Expected<SharedSnapshots, std::error_code> { return shared; },
                      [] { return NetworkMetadata{}; },
                      [](const std::string&) { return std::optional<WiFiDetails>(); }});
    core.loadHistory();
    std::filesystem::remove(file);
    runUpdates(state, core, clock);
    state.counters["interfaces"] = count;
}

void BM_MonitorUpdateWithReader400(benchmark::State& state) {
    if (geteuid() != 0) {
        state.SkipWithError("needs root to make a namespace of 200 veth pairs");
        return;
    }
    if (unshare(CLONE_NEWNET) != 0 ||
        std::system("for i in $(seq 0 199); do echo \"link add mv${i}a type veth peer name "
                    "mv${i}b\"; done > /tmp/wirelark-monitor-bench.batch && "
                    "ip -batch /tmp/wirelark-monitor-bench.batch >/dev/null 2>&1") != 0) {
        state.SkipWithError("cannot make a namespace of 200 veth pairs (no namespaces or ip)");
        return;
    }
    auto reader = std::make_shared<InterfaceReader>();
    testing::FakeClock clock;
    clock.wall = bench::kFeedEnd;
    MonitorSources sources{[reader] { return reader->snapshot(); },
                           [] { return NetworkMetadata{}; },
                           [](const std::string&) { return std::optional<WiFiDetails>(); }};
    std::vector<std::string> keys;
    const MonitorUpdate first = MonitorCore(HistoryStore("/nonexistent"), clock, sources)
                                    .update({.record = false, .recentCount = 60, .interval = 5})
                                    .value();
    for (const auto& item : first.items) {
        keys.push_back(item.key);
    }
    const auto file = historyFileWith(keys);
    MonitorCore core(HistoryStore(file), clock, sources);
    core.loadHistory();
    std::filesystem::remove(file);
    runUpdates(state, core, clock);
    state.counters["interfaces"] = static_cast<double>(keys.size());
}

BENCHMARK(BM_MonitorUpdateHistoryWork)->Arg(10)->Arg(400)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MonitorUpdateWithReader400)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
