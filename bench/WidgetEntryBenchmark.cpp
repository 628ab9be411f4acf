// The whole widget, warm: building, laying out and rendering one large widget of four entries to PNG
// at scale 2; and the whole entry pipeline of one timeline (every entry of a day built into a view and
// laid out, not rendered) for a snapshot of 20 accounts.

#include "TallyfoxWidget/TallyfoxTimelineProvider.hpp"
#include "TallyfoxWidget/TallyfoxWidgetEntryView.hpp"
#include "TallyfoxWidget/WidgetSamples.hpp"
#include "platform/foundation/Localization.hpp"
#include "platform/ui/Rendering.hpp"

#include <benchmark/benchmark.h>
#include <sys/resource.h>

namespace {

namespace ui = platform::ui;
namespace pf = platform::foundation;
using namespace tallyfox;

constexpr Date now{1796644800};

ui::Environment environment(ui::WidgetFamily family) {
    ui::Environment e;
    e.widgetFamily = family;
    e.date = now;
    return e;
}

void prepare() {
    pf::setMainBundleInfo({"", TALLYFOX_APPEX_RESOURCES_DIR, "en", "TallyfoxWidget"});
    ui::setDefaultAssetDirectory(TALLYFOX_APPEX_RESOURCES_DIR);
}

void BM_LargeWidgetOfFourEntriesToPNG(benchmark::State& state) {
    prepare();
    const WidgetSnapshot snapshot = samples::snapshot(
        {samples::codex(now), samples::claudeWork(now), samples::cursor(now), samples::geminiActivity(now)}, now);
    const TallyfoxWidgetEntry entry{now, snapshot};
    const auto e = environment(ui::WidgetFamily::systemLarge);
    for (auto _ : state) {
        auto png = ui::layoutWidget(tallyfoxWidgetContent(entry, ui::WidgetFamily::systemLarge), e).png(2);
        benchmark::DoNotOptimize(png);
    }
}
BENCHMARK(BM_LargeWidgetOfFourEntriesToPNG)->Unit(benchmark::kMillisecond);

/// Every entry of a day's timeline for 20 accounts, built and laid out in the given size.
void BM_TimelineOfTwentyAccountsLaidOut(benchmark::State& state) {
    prepare();
    const auto family = static_cast<ui::WidgetFamily>(state.range(0));
    const WidgetSnapshot snapshot = samples::manyAccounts(20, now);
    const std::vector<Date> dates = entryDates(now, snapshot);
    std::size_t entries = 0;
    for (auto _ : state) {
        for (const Date date : dates) {
            const TallyfoxWidgetEntry entry{date, clearingElapsedUsage(snapshot, date)};
            auto e = environment(family);
            e.date = date;
            auto laidOut = ui::layoutWidget(tallyfoxWidgetContent(entry, family), e);
            benchmark::DoNotOptimize(laidOut);
            ++entries;
        }
    }
    state.counters["entries"] = static_cast<double>(dates.size());
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}
BENCHMARK(BM_TimelineOfTwentyAccountsLaidOut)
    ->Arg(static_cast<int>(ui::WidgetFamily::systemSmall))
    ->Arg(static_cast<int>(ui::WidgetFamily::systemMedium))
    ->Arg(static_cast<int>(ui::WidgetFamily::systemLarge))
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
