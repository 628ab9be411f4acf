// In-process timings of the command-line tool's stages on realistic snapshots: strict reading
// (parse + status), and each rendering. bench/cli-bench times the whole process against jq.
#include "WidgetSnapshotSamples.hpp"
#include "cli/CLIStatus.hpp"

#include <benchmark/benchmark.h>

using tallyfox::cli::CLIStatus;

namespace {

constexpr double now = 1'772'445'600;

void read(benchmark::State& state) {
    const std::string snapshot = tallyfox::bench::typicalSnapshot(static_cast<std::size_t>(state.range(0)), now);
    for (auto _ : state) benchmark::DoNotOptimize(CLIStatus::read(snapshot, platform::foundation::Date{now}));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * snapshot.size()));
}

void renderText(benchmark::State& state) {
    const std::string snapshot = tallyfox::bench::typicalSnapshot(static_cast<std::size_t>(state.range(0)), now);
    const CLIStatus status = CLIStatus::read(snapshot, platform::foundation::Date{now}).value();
    for (auto _ : state) benchmark::DoNotOptimize(status.text());
}

void renderJSON(benchmark::State& state) {
    const std::string snapshot = tallyfox::bench::typicalSnapshot(static_cast<std::size_t>(state.range(0)), now);
    const CLIStatus status = CLIStatus::read(snapshot, platform::foundation::Date{now}).value();
    for (auto _ : state) benchmark::DoNotOptimize(status.json());
}

} // namespace

BENCHMARK(read)->Arg(15'000)->Arg(1 << 20)->Arg(4'194'000)->Unit(benchmark::kMillisecond);
BENCHMARK(renderText)->Arg(15'000)->Arg(1 << 20)->Arg(4'194'000)->Unit(benchmark::kMillisecond);
BENCHMARK(renderJSON)->Arg(15'000)->Arg(1 << 20)->Arg(4'194'000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
