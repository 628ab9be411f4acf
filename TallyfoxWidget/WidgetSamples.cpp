#include "TallyfoxWidget/WidgetSamples.hpp"

namespace tallyfox::samples {

namespace {
constexpr double hour = 3600;
constexpr double day = 86400;
} // namespace

UsageWindow window(UsageWindowKind kind, std::optional<double> usage, std::optional<double> resetsIn, Date now,
                   std::optional<std::string> scope) {
    UsageWindow w;
    w.kind = kind;
    w.scope = std::move(scope);
    if (usage) w.usage = UsagePercentage{*usage};
    if (resetsIn) w.resetsAt = now.addingTimeInterval(*resetsIn);
    return w;
}

std::vector<double> twoWeeks() { return {0.15, 0, 0.32, 0.8, 0.2, 0, 0.4, 0.55, 0.6, 0, 0.1, 0.2, 0.7, 0.9}; }

WidgetProviderSnapshot codex(Date now, double fiveHourUsage, double weeklyUsage) {
    WidgetProviderSnapshot p;
    p.provider = ProviderID::codex;
    p.selectionID = "codex";
    p.windows = {window(UsageWindowKind::weekly, weeklyUsage, 4 * day + 3 * hour, now),
                 window(UsageWindowKind::fiveHour, fiveHourUsage, 3 * hour + 8 * 60 + 12, now)};
    p.tokensToday = 12'800'000;
    p.recentDays = twoWeeks();
    p.updatedAt = now.addingTimeInterval(-60);
    return p;
}

WidgetProviderSnapshot claudeWork(Date now) {
    WidgetProviderSnapshot p;
    p.provider = ProviderID::claudeCode;
    p.selectionID = "claude-work";
    p.accountName = "work";
    p.windows = {window(UsageWindowKind::fiveHour, 87, 47 * 60, now),
                 window(UsageWindowKind::weekly, 64, 2 * day + 5 * hour, now),
                 window(UsageWindowKind::weekly, 96, 2 * day + 5 * hour, now, "Opus")};
    p.tokensToday = 3'450'000;
    p.updatedAt = now.addingTimeInterval(-120);
    return p;
}

WidgetProviderSnapshot cursor(Date now) {
    WidgetProviderSnapshot p;
    p.provider = ProviderID::cursor;
    p.selectionID = "cursor";
    p.windows = {window(UsageWindowKind::monthly, 31, 12 * day, now)};
    p.creditsToday = Decimal::fromJSONNumber("2.23").value();
    p.updatedAt = now.addingTimeInterval(-90);
    return p;
}

WidgetProviderSnapshot geminiActivity(Date now) {
    WidgetProviderSnapshot p;
    p.provider = ProviderID::gemini;
    p.selectionID = "gemini";
    p.tokensToday = 950'000;
    p.recentDays = twoWeeks();
    p.updatedAt = now.addingTimeInterval(-30);
    return p;
}

WidgetProviderSnapshot elevenLabsTotals(Date now) {
    WidgetProviderSnapshot p;
    p.provider = ProviderID::elevenlabs;
    p.selectionID = "elevenlabs";
    p.totals =
        std::vector<UsageTotal>{{UsageTotal::Kind::charactersRemaining, Decimal::fromJSONNumber("88000").value()},
                                {UsageTotal::Kind::charactersUsed, Decimal::fromJSONNumber("12000").value()}};
    p.updatedAt = now.addingTimeInterval(-45);
    return p;
}

WidgetProviderSnapshot deepSeekBare(Date) {
    WidgetProviderSnapshot p;
    p.provider = ProviderID::deepseek;
    p.selectionID = "deepseek";
    return p;
}

WidgetSnapshot snapshot(std::vector<WidgetProviderSnapshot> entries, Date now, std::optional<std::string> language,
                        std::optional<UsageAmountStyle> style) {
    WidgetSnapshot::Contents contents;
    contents.generatedAt = now.addingTimeInterval(-30);
    contents.state = WidgetSnapshot::State::providers(std::move(entries));
    contents.language = std::move(language);
    contents.usageAmountStyle = style;
    return WidgetSnapshot(std::move(contents));
}

WidgetSnapshot realistic(Date now, std::optional<std::string> language) {
    return snapshot({codex(now), claudeWork(now), cursor(now), geminiActivity(now), elevenLabsTotals(now)}, now,
                    std::move(language));
}

WidgetSnapshot manyAccounts(std::size_t count, Date now) {
    std::vector<WidgetProviderSnapshot> entries;
    const auto providers = catalog();
    for (std::size_t i = 0; i < count; ++i) {
        WidgetProviderSnapshot p;
        p.provider = providers[i % providers.size()].id;
        p.accountName = "Account " + std::to_string(i);
        p.selectionID = "entry-" + std::to_string(i);
        const double offset = static_cast<double>(i) * 97;
        p.windows = {
            window(UsageWindowKind::fiveHour, static_cast<double>((i * 37) % 100), 2 * hour + offset, now),
            window(UsageWindowKind::weekly, static_cast<double>((i * 53) % 100), 3 * day + offset, now),
            window(UsageWindowKind::weekly, static_cast<double>((i * 71) % 100), 3 * day + offset, now, "Opus")};
        p.tokensToday = static_cast<std::int64_t>(1'000'000 + i * 12'345);
        p.recentDays = twoWeeks();
        p.updatedAt = now.addingTimeInterval(-60 - offset);
        entries.push_back(std::move(p));
    }
    return snapshot(std::move(entries), now);
}

} // namespace tallyfox::samples
