// The widget's texts per call (each row makes a few of these on every render) and what building
// the formatters behind them costs when nothing is cached.
#include "TallyfoxWidget/NumberTexts.hpp"
#include "TallyfoxWidget/ResetTimeFormatter.hpp"
#include "model/UsageValues.hpp"
#include "platform/foundation/FormatterCache.hpp"
#include "platform/foundation/Formatters.hpp"
#include "platform/foundation/Localization.hpp"
#include "platform/foundation/LocalizedString.hpp"
#include "platform/foundation/UserDefaults.hpp"

#include <benchmark/benchmark.h>

namespace pf = platform::foundation;
using namespace tallyfox;

namespace {

constexpr double monday = 1773652200;

void setUp(const char* language) {
    pf::setMainBundleInfo({"", TALLYFOX_APPEX_RESOURCES_DIR, "en", "TallyfoxWidget"});
    pf::UserDefaults::standard().set("AppleLanguages", pf::PropertyListValue::strings({language}));
}

void BM_percentText(benchmark::State& state) {
    const pf::Locale locale("de");
    std::int64_t percent = 0;
    for (auto _ : state) benchmark::DoNotOptimize(percentText(percent++ % 101, locale));
}
BENCHMARK(BM_percentText);

void BM_amountText(benchmark::State& state) {
    setUp("de");
    double usage = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(amountText(UsageAmountStyle::remaining, UsagePercentage{usage}));
        usage = usage >= 100 ? 0 : usage + 0.7;
    }
}
BENCHMARK(BM_amountText);

void BM_compactCount(benchmark::State& state) {
    const pf::Locale locale("en");
    std::int64_t count = 12'800'000;
    for (auto _ : state) benchmark::DoNotOptimize(compactCount(count++, locale));
}
BENCHMARK(BM_compactCount);

void BM_countdown(benchmark::State& state) {
    setUp("de");
    const auto formatter = ResetTimeFormatter{pf::Calendar{}, pf::Locale("de"), pf::TimeZone{"UTC"}};
    double seconds = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(formatter.countdown(pf::Date{monday}, pf::Date{monday + seconds}));
        seconds = seconds > 200000 ? 0 : seconds + 997;
    }
}
BENCHMARK(BM_countdown);

void BM_resetDescription(benchmark::State& state) {
    setUp(state.range(0) == 0 ? "en" : "uz");
    const auto formatter = ResetTimeFormatter{pf::Calendar{}, pf::Locale(state.range(0) == 0 ? "en" : "uz"),
                                              pf::TimeZone{"Europe/Berlin"}};
    double seconds = 1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(formatter.resetDescription(pf::Date{monday + seconds}, pf::Date{monday}));
        seconds = seconds > 200000 ? 1 : seconds + 997; // within a day and beyond
    }
}
BENCHMARK(BM_resetDescription)->Arg(0)->Arg(1)->ArgName("uzbek");

void BM_formatHoursAndMinutes(benchmark::State& state) {
    const pf::Locale locale("en");
    for (auto _ : state) benchmark::DoNotOptimize(pf::formatHoursAndMinutes(3 * 3600 + 8 * 60, locale));
}
BENCHMARK(BM_formatHoursAndMinutes);

void BM_countdownTimer(benchmark::State& state) {
    const pf::Locale locale("en");
    double seconds = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(pf::formatCountdownTimer(seconds, locale));
        seconds = seconds > 86400 ? 0 : seconds + 7.3;
    }
}
BENCHMARK(BM_countdownTimer);

void BM_formatDate(benchmark::State& state) {
    const pf::Locale locale("en");
    for (auto _ : state)
        benchmark::DoNotOptimize(
            pf::formatDate(pf::Date{monday}, "EEEHHmm", locale, pf::Calendar{}, pf::TimeZone{"UTC"}));
}
BENCHMARK(BM_formatDate);

void BM_localizedLookup(benchmark::State& state) {
    setUp("fr");
    for (auto _ : state) benchmark::DoNotOptimize(pf::localized("Waiting for update", "Waiting for update"));
}
BENCHMARK(BM_localizedLookup);

void BM_buildNumberFormatters(benchmark::State& state) {
    const pf::Locale locale("de");
    for (auto _ : state) benchmark::DoNotOptimize(pf::makeLocaleFormatters(locale));
}
BENCHMARK(BM_buildNumberFormatters)->Unit(benchmark::kMicrosecond);

void BM_buildDateFormatter(benchmark::State& state) {
    const pf::Locale locale("de");
    for (auto _ : state)
        benchmark::DoNotOptimize(pf::makeDateFormat("EEEHHmm", locale, pf::Calendar{}, pf::TimeZone{"UTC"}));
}
BENCHMARK(BM_buildDateFormatter)->Unit(benchmark::kMicrosecond);

void BM_autoupdatingFormatter(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(ResetTimeFormatter::autoupdating(pf::Locale("de")));
}
BENCHMARK(BM_autoupdatingFormatter);

} // namespace

BENCHMARK_MAIN();
