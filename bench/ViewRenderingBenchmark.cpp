// Time to lay out and render a widget-size view tree (about 60 views, a dozen texts) to a PNG at
// scale 2, warm; and the process's peak memory afterwards.

#include "TallyfoxWidget/ProviderLogo.hpp"
#include "TallyfoxWidget/TallyfoxSymbolShape.hpp"
#include "TallyfoxWidget/UsageProgressView.hpp"
#include "TallyfoxWidget/WidgetActivityChart.hpp"
#include "TallyfoxWidget/WidgetTimeViews.hpp"
#include "platform/ui/Rendering.hpp"

#include <benchmark/benchmark.h>
#include <sys/resource.h>

namespace {

namespace ui = platform::ui;
using namespace tallyfox;
using platform::foundation::Date;

constexpr Date now{1796644800};

ui::View providerRow(ProviderID id, const char* name, double usage, double resetIn) {
    const ui::Font caption(ui::TextStyle::caption);
    return ui::HStack(
        ui::VerticalAlignment::center, 10,
        {ui::HStack(ui::VerticalAlignment::center, 5,
                    {ui::View(ProviderLogo{id}).frame(12, 12),
                     ui::Text::verbatim(name).font(caption.semibold()).lineLimit(1).minimumScaleFactor(0.85)})
             .frame(94, std::nullopt, ui::Alignment::leading),
         UsageProgressView{UsagePercentage{usage}, 4},
         ui::HStack(ui::VerticalAlignment::center, 3,
                    {ui::Text::verbatim(std::to_string(static_cast<int>(100 - usage)) + "%")
                         .font(caption.semibold().withMonospacedDigit()),
                     ui::Text::verbatim("left")
                         .font(ui::Font(ui::TextStyle::caption2))
                         .foregroundStyle(ui::ShapeStyle::secondary())})
             .frame(74, std::nullopt, ui::Alignment::trailing),
         ui::View(WidgetCountdown{now.addingTimeInterval(resetIn), now})
             .font(ui::Font(ui::TextStyle::caption2).withMonospacedDigit())
             .foregroundStyle(ui::ShapeStyle::tertiary())
             .lineLimit(1)
             .minimumScaleFactor(0.7)
             .frame(50, std::nullopt, ui::Alignment::trailing)});
}

ui::View widgetTree() {
    return ui::VStack(
        ui::HorizontalAlignment::leading, 8,
        {ui::HStack(ui::VerticalAlignment::center, 5,
                    {TallyfoxSymbolShape{}.shape().fill(ui::ShapeStyle::secondary())
                         .aspectRatio(TallyfoxSymbolShape::aspectRatio, ui::ContentMode::fit)
                         .frame(std::nullopt, 10),
                     ui::Text::verbatim("Tallyfox").font(ui::Font(ui::TextStyle::caption).semibold()),
                     ui::Spacer(4),
                     ui::View(WidgetUpdatedLabel{now.addingTimeInterval(-900), now, false})
                         .font(ui::Font(ui::TextStyle::caption2))
                         .foregroundStyle(ui::ShapeStyle::tertiary())}),
         ui::Spacer(0),
         ui::VStack(ui::HorizontalAlignment::leading, 14,
                    {providerRow(ProviderID::codex, "Codex", 42, 11292),
                     providerRow(ProviderID::claudeCode, "Claude Code · work", 88, 3600),
                     providerRow(ProviderID::gemini, "Gemini CLI", 12, 2 * 86400),
                     providerRow(ProviderID::zai, "Z.ai", 97, 600)}),
         ui::Spacer(0)});
}

ui::Environment environment() {
    ui::Environment e;
    e.widgetFamily = ui::WidgetFamily::systemMedium;
    e.date = now;
    e.assetDirectory = TALLYFOX_APPEX_RESOURCES_DIR;
    return e;
}

void reportPeakMemory(benchmark::State& state) {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void BM_LayoutAndRenderWidgetPNG(benchmark::State& state) {
    const auto e = environment();
    const ui::View tree = widgetTree();
    for (auto _ : state) {
        auto png = ui::layoutWidget(tree, e).png(2);
        benchmark::DoNotOptimize(png);
    }
    reportPeakMemory(state);
}
BENCHMARK(BM_LayoutAndRenderWidgetPNG)->Unit(benchmark::kMillisecond);

void BM_LayoutWidgetOnly(benchmark::State& state) {
    const auto e = environment();
    const ui::View tree = widgetTree();
    for (auto _ : state) {
        auto laidOut = ui::layoutWidget(tree, e);
        benchmark::DoNotOptimize(laidOut);
    }
    reportPeakMemory(state);
}
BENCHMARK(BM_LayoutWidgetOnly)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
