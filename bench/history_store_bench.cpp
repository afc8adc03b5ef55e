#include "full_history.h"

#include "netcore/history/history_store.h"

#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <filesystem>
#include <string>

namespace wirelark {
namespace {

HistoryMap hundredFullHistories() {
    const RateHistory full = bench::fullHistory();
    HistoryMap histories;
    for (int i = 0; i < 100; ++i) {
        // Distinct contents, as real interfaces have.
        std::vector<Tier> tiers = full.tiers();
        for (Tier& tier : tiers) {
            tier.buckets.front().bytesIn += static_cast<uint64_t>(i);
        }
        histories["ether:00:11:22:33:44:" + std::to_string(10 + i)] = RateHistory(std::move(tiers));
    }
    return histories;
}

// A store in a fresh temporary folder, removed when the benchmark ends.
class TemporaryStore {
public:
    TemporaryStore() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "wirelark-bench-XXXXXX").string();
        folder_ = ::mkdtemp(pattern.data());
    }
    ~TemporaryStore() { std::filesystem::remove_all(folder_); }
    HistoryStore store() const { return HistoryStore(folder_ / "Wirelark" / "history.plist"); }

private:
    std::filesystem::path folder_;
};

void BM_Save100FullHistories(benchmark::State& state) {
    const HistoryMap histories = hundredFullHistories();
    const TemporaryStore temporary;
    HistoryStore store = temporary.store();
    for (auto _ : state) {
        if (store.save(histories)) {
            state.SkipWithError("save failed");
            break;
        }
    }
    state.counters["fileBytes"] = static_cast<double>(std::filesystem::file_size(store.url()));
}
BENCHMARK(BM_Save100FullHistories)->Unit(benchmark::kMillisecond)->MinTime(2);

void BM_Load100FullHistories(benchmark::State& state) {
    const TemporaryStore temporary;
    HistoryStore store = temporary.store();
    if (store.save(hundredFullHistories())) {
        state.SkipWithError("save failed");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(store.load());
    }
    state.counters["fileBytes"] = static_cast<double>(std::filesystem::file_size(store.url()));
}
BENCHMARK(BM_Load100FullHistories)->Unit(benchmark::kMillisecond)->MinTime(2);

} // namespace
} // namespace wirelark

BENCHMARK_MAIN();
