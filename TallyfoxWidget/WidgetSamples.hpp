#pragma once
// Snapshots made in code for the gallery, the layout tests and the benchmarks: realistic entries of
// several providers and accounts, with dates relative to a given moment.

#include "snapshot/WidgetSnapshot.hpp"

#include <optional>
#include <string>
#include <vector>

namespace tallyfox::samples {

/// A window of `kind` used `usage` percent that resets `resetsIn` seconds after `now`.
UsageWindow window(UsageWindowKind kind, std::optional<double> usage, std::optional<double> resetsIn, Date now,
                   std::optional<std::string> scope = std::nullopt);

/// Fourteen days of activity, the last the busiest.
std::vector<double> twoWeeks();

/// Codex with a five-hour and a weekly window.
WidgetProviderSnapshot codex(Date now, double fiveHourUsage = 42, double weeklyUsage = 18);
/// Claude Code for the account "work": five-hour, weekly and weekly Opus windows.
WidgetProviderSnapshot claudeWork(Date now);
/// Cursor with a monthly window only.
WidgetProviderSnapshot cursor(Date now);
/// Gemini CLI without limits: tokens today and two weeks of activity.
WidgetProviderSnapshot geminiActivity(Date now);
/// ElevenLabs with running totals only.
WidgetProviderSnapshot elevenLabsTotals(Date now);
/// DeepSeek with no windows, totals or activity at all.
WidgetProviderSnapshot deepSeekBare(Date now);

/// A snapshot of `entries` generated 30 seconds before `now`.
WidgetSnapshot snapshot(std::vector<WidgetProviderSnapshot> entries, Date now,
                        std::optional<std::string> language = std::nullopt,
                        std::optional<UsageAmountStyle> style = std::nullopt);

/// A realistic snapshot: Codex, Claude Code (work), Cursor, Gemini CLI, ElevenLabs.
WidgetSnapshot realistic(Date now, std::optional<std::string> language = std::nullopt);

/// A snapshot of `count` accounts across the catalog, each with two or three windows and activity.
WidgetSnapshot manyAccounts(std::size_t count, Date now);

} // namespace tallyfox::samples
