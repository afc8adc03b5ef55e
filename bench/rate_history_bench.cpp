#include "full_history.h"

#include <benchmark/benchmark.h>

namespace wirelark {
namespace {

void BM_Add(benchmark::State& state) {
    RateHistory history(RateHistory::kStandardRetention);
    Instant end = bench::kFeedEnd;
    uint64_t i = 0;
    for (auto _ : state) {
        history.add({end, 5, (i * 7919) % 1'000'003, 1500});
        end += 5;
        // The monitor prunes on every tick; doing it rarely here keeps the raw tier bounded
        // without timing the prune.
        if (++i % 1440 == 0) {
            history.prune(end);
        }
    }
    benchmark::DoNotOptimize(history);
}
BENCHMARK(BM_Add);

void BM_Aggregate(benchmark::State& state) {
    static const RateHistory history = bench::fullHistory();
    const auto period = static_cast<double>(state.range(0));
    for (auto _ : state) {
        benchmark::DoNotOptimize(history.aggregate(period, bench::kFeedEnd));
    }
    state.counters["raw"] = static_cast<double>(history.tiers()[0].buckets.size());
    state.counters["minute"] = static_cast<double>(history.tiers()[1].buckets.size());
    state.counters["hour"] = static_cast<double>(history.tiers()[2].buckets.size());
}
BENCHMARK(BM_Aggregate)->Arg(3600)->Arg(86400)->Arg(604800)->Arg(7776000);

} // namespace
} // namespace wirelark

BENCHMARK_MAIN();
