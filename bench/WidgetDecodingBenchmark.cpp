// How long the widget takes to decode snapshots of typical and maximal size.
#include "bench/WidgetSnapshotSamples.hpp"
#include "snapshot/WidgetSnapshot.hpp"

#include <benchmark/benchmark.h>

namespace {

void decodeTypicalSnapshot(benchmark::State& state) {
    const std::string document = tallyfox::bench::typicalSnapshot(static_cast<std::size_t>(state.range(0)), 1.8e9);
    for (auto _ : state) {
        auto decoded = tallyfox::WidgetSnapshot::decode(document);
        if (!decoded) state.SkipWithError("the sample does not decode");
        benchmark::DoNotOptimize(decoded);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * document.size()));
    state.counters["bytes"] = static_cast<double>(document.size());
}

} // namespace

BENCHMARK(decodeTypicalSnapshot)
    ->Arg(15 * 1024)
    ->Arg(1024 * 1024)
    ->Arg(4 * 1024 * 1024 - 1)
    ->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
