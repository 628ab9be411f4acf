#include "TallyfoxWidget/TallyfoxWidgetEntryView.hpp"
#include "TallyfoxWidget/UsageWidgetLayouts.hpp"
#include "TallyfoxWidget/WidgetSamples.hpp"
#include "TallyfoxWidget/WidgetViews.hpp"
#include "platform/foundation/Localization.hpp"
#include "platform/ui/Rendering.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <sstream>

namespace tallyfox {
namespace {

namespace ui = platform::ui;
namespace pf = platform::foundation;
using F = ui::WidgetFamily;

const Date now{1796644800}; // Monday 2026-12-07 12:00 UTC

struct WidgetLayoutTest : ::testing::Test {
    WidgetLayoutTest() {
        setenv("LANGUAGE", "en", 1);
        unsetenv("LC_ALL");
        unsetenv("LC_MESSAGES");
        pf::setMainBundleInfo({"", TALLYFOX_APPEX_RESOURCES_DIR, "en", "TallyfoxWidget"});
        ui::setDefaultAssetDirectory(TALLYFOX_APPEX_RESOURCES_DIR);
    }
    ~WidgetLayoutTest() override { pf::setMainBundleInfo({}); }

    static ui::LaidOutView render(const TallyfoxWidgetEntry& entry, F family) {
        ui::Environment environment;
        environment.date = entry.date;
        environment.widgetFamily = family;
        return ui::layoutWidget(tallyfoxWidgetContent(entry, family), environment);
    }
    static ui::LaidOutView render(const WidgetSnapshot& snapshot, F family, Date at = now) {
        return render(TallyfoxWidgetEntry{at, snapshot}, family);
    }
    /// The labels screen readers announce, in order.
    static std::vector<std::string> labels(const ui::LaidOutView& view) {
        std::vector<std::string> out;
        for (const auto& node : view.accessibilityTree()) out.push_back(node.label);
        return out;
    }
};

WidgetSnapshot withState(WidgetSnapshot::State state, std::optional<std::string> language = std::nullopt) {
    WidgetSnapshot::Contents contents;
    contents.language = std::move(language);
    contents.generatedAt = now.addingTimeInterval(-30);
    contents.state = std::move(state);
    return WidgetSnapshot(std::move(contents));
}

/// An entry of `provider` whose only window is used `usage` percent (none without a usage).
WidgetProviderSnapshot used(ProviderID provider, std::optional<double> usage, std::string account) {
    WidgetProviderSnapshot p;
    p.provider = provider;
    p.accountName = std::move(account);
    p.windows = {samples::window(UsageWindowKind::fiveHour, usage, 3600, now)};
    return p;
}

TEST_F(WidgetLayoutTest, everyStateWithoutDataShowsItsMessageInEverySize) {
    const std::vector<std::pair<std::optional<WidgetSnapshot>, std::string>> cases{
        {std::nullopt, "Tallyfox, Open Tallyfox, Open Tallyfox to load usage data."},
        {withState(WidgetSnapshot::State::noProvidersEnabled()),
         "Tallyfox, No providers enabled, Open Tallyfox to choose providers."},
        {withState(WidgetSnapshot::State::noProvidersDetected()),
         "Tallyfox, No providers detected, Install or use a supported AI coding tool to start tracking usage."},
        {withState(WidgetSnapshot::State::providers({})),
         "Tallyfox, Selected account unavailable, Edit this widget to choose an enabled provider and account."},
        // Every configured account has disappeared.
        {selecting(samples::realistic(now), {"no-such-account"}),
         "Tallyfox, Selected account unavailable, Edit this widget to choose an enabled provider and account."},
    };
    for (const F family : {F::systemSmall, F::systemMedium, F::systemLarge}) {
        for (const auto& [snapshot, announced] : cases) {
            const auto view = render(TallyfoxWidgetEntry{now, snapshot}, family);
            ASSERT_EQ(view.accessibilityTree().size(), 1u) << announced;
            EXPECT_EQ(view.accessibilityTree()[0].label, announced);
        }
    }
}

TEST_F(WidgetLayoutTest, eachSizeShowsTheMostUsedEntriesInSnapshotOrder) {
    const auto five = samples::snapshot({used(ProviderID::codex, 10, "a"), used(ProviderID::codex, 90, "b"),
                                         used(ProviderID::codex, std::nullopt, "c"), used(ProviderID::codex, 50, "d"),
                                         used(ProviderID::codex, 70, "e")},
                                        now);
    EXPECT_EQ(labels(render(five, F::systemSmall)),
              (std::vector<std::string>{"Tallyfox", "Codex · b", "Codex · d", "Codex · e"}));
    EXPECT_EQ(labels(render(five, F::systemMedium)),
              (std::vector<std::string>{"Tallyfox", "Codex · a", "Codex · b", "Codex · d", "Codex · e"}));
    // Large: one block per entry, each announcing its name and then its window rows.
    const auto large = labels(render(five, F::systemLarge));
    EXPECT_EQ(large, (std::vector<std::string>{"Tallyfox", "Codex · a", "5-hour usage", "Codex · b", "5-hour usage",
                                               "Codex · d", "5-hour usage", "Codex · e", "5-hour usage"}));
}

TEST_F(WidgetLayoutTest, rowsAnnounceTheAmountAndWhenItResets) {
    const auto two = samples::snapshot({samples::codex(now, 42, 18), samples::claudeWork(now)}, now);
    const auto small = render(two, F::systemSmall).accessibilityTree();
    ASSERT_EQ(small.size(), 4u);
    EXPECT_EQ(small[1], (ui::AccessibilityNode{"Codex", "58% left, Resets in 3 hours, 9 minutes"}));
    EXPECT_EQ(small[2], (ui::AccessibilityNode{"Claude Code · work", "4% left, Resets Wed 17:00"}));
    EXPECT_EQ(small[3].label, "Next reset, 47:00"); // only with exactly two entries

    // Medium columns: the two shortest windows, the unscoped weekly before "Opus".
    const auto columns =
        render(samples::snapshot({samples::claudeWork(now)}, now), F::systemMedium).accessibilityTree();
    ASSERT_EQ(columns.size(), 4u);
    EXPECT_EQ(columns[2], (ui::AccessibilityNode{"5-hour usage", "13% left, Resets in 47 minutes"}));
    EXPECT_EQ(columns[3].label, "Weekly usage");

    // Used style, no usage, and a provider row without limits.
    auto none = samples::claudeWork(now);
    none.windows = {samples::window(UsageWindowKind::weekly, std::nullopt, 86400 * 3, now, "Opus")};
    const auto usedStyle = samples::snapshot({none, samples::codex(now), samples::geminiActivity(now),
                                              samples::deepSeekBare(now)},
                                             now, std::nullopt, UsageAmountStyle::used);
    const auto rows = render(usedStyle, F::systemMedium).accessibilityTree();
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[1], (ui::AccessibilityNode{"Claude Code · work", "3.45M tokens today"}));
    EXPECT_EQ(rows[2], (ui::AccessibilityNode{"Codex", "42% used, Resets in 3 hours, 9 minutes"}));
    EXPECT_EQ(rows[3], (ui::AccessibilityNode{"Gemini CLI", "950K tokens today"}));
    EXPECT_EQ(rows[4], (ui::AccessibilityNode{"DeepSeek", "Usage limits unavailable"}));
    const auto block = render(samples::snapshot({none}, now), F::systemLarge).accessibilityTree();
    EXPECT_EQ(block.back(), (ui::AccessibilityNode{"Weekly Opus usage", "Unavailable"}));
}

TEST_F(WidgetLayoutTest, theHeaderNotesTheAgeOfDataOlderThanTenMinutes) {
    auto entry = samples::codex(now);
    for (const auto& [age, announced] : std::vector<std::pair<double, std::string>>{
             {600, "Tallyfox"}, {601, "Tallyfox, Updated 10 minutes ago"}}) {
        entry.updatedAt = now.addingTimeInterval(-age);
        EXPECT_EQ(labels(render(samples::snapshot({entry}, now), F::systemMedium))[0], announced) << age;
        EXPECT_EQ(labels(render(samples::snapshot({entry, entry}, now), F::systemSmall))[0],
                  age > 600 ? "Tallyfox, 10 minutes ago" : "Tallyfox")
            << age;
    }
    // Without any updatedAt the snapshot's own date counts.
    entry.updatedAt.reset();
    WidgetSnapshot::Contents contents = samples::snapshot({entry}, now).contents();
    contents.generatedAt = now.addingTimeInterval(-7200);
    EXPECT_EQ(labels(render(WidgetSnapshot(contents), F::systemLarge))[0], "Tallyfox, Updated 2 hours ago");
    // A stale entry carries a clock beside its name.
    entry.updatedAt = now.addingTimeInterval(-601);
    EXPECT_EQ(labels(render(samples::snapshot({entry}, now), F::systemLarge))[1], "Codex, Updated 10 minutes ago");
}

TEST_F(WidgetLayoutTest, theSingleSmallEntryFallsBackWhenItHasNoPrimaryWindow) {
    const auto dump = [&](WidgetProviderSnapshot entry) {
        return render(samples::snapshot({std::move(entry)}, now), F::systemSmall).layoutDump();
    };
    // Windows without usage: the shortest, with a dash, the bare track and its reset line.
    auto noUsage = samples::claudeWork(now);
    for (auto& w : noUsage.windows) w.usage.reset();
    noUsage.windows[0].resetsAt = now.addingTimeInterval(-5);
    const std::string waiting = dump(noUsage);
    EXPECT_NE(waiting.find("Text \"—\""), std::string::npos);
    EXPECT_NE(waiting.find("Text \"5-hour\""), std::string::npos);
    EXPECT_NE(waiting.find("Text \"Waiting for update\""), std::string::npos);

    // No windows: the notice (only without totals), the activity and a 22-point chart.
    auto activity = samples::geminiActivity(now);
    const std::string chart = dump(activity);
    EXPECT_NE(chart.find("Text \"Usage limits unavailable\""), std::string::npos);
    EXPECT_NE(chart.find("Text \"950K tokens today\""), std::string::npos);
    EXPECT_NE(chart.find("× 22)"), std::string::npos);
    const std::string totals = dump(samples::elevenLabsTotals(now));
    EXPECT_EQ(totals.find("Usage limits unavailable"), std::string::npos);
    EXPECT_NE(totals.find("Text \"88,000 characters"), std::string::npos);
}

TEST_F(WidgetLayoutTest, levelSymbolsFollowTheRoundedUsedShare) {
    EXPECT_EQ(levelSymbolName(UsagePercentage{84.4}), std::nullopt);
    EXPECT_EQ(levelSymbolName(UsagePercentage{84.5}), "exclamationmark.circle.fill");
    EXPECT_EQ(levelSymbolName(UsagePercentage{94.4}), "exclamationmark.circle.fill");
    EXPECT_EQ(levelSymbolName(UsagePercentage{94.5}), "exclamationmark.triangle.fill");
    EXPECT_EQ(levelSymbolName(UsagePercentage{100}), "exclamationmark.triangle.fill");
    // Compact small rows never show them; window rows and the single entry do, in any amount style.
    const auto claude = samples::snapshot({samples::claudeWork(now)}, now, std::nullopt, UsageAmountStyle::used);
    EXPECT_NE(render(claude, F::systemSmall).layoutDump().find("exclamationmark.triangle.fill"), std::string::npos);
    const auto rows = render(samples::snapshot({samples::claudeWork(now), samples::codex(now)}, now), F::systemSmall);
    EXPECT_EQ(rows.layoutDump().find("exclamationmark"), std::string::npos);
    const auto large = render(claude, F::systemLarge).layoutDump();
    EXPECT_NE(large.find("exclamationmark.circle.fill\" (") , std::string::npos);
}

TEST_F(WidgetLayoutTest, theSnapshotsLanguageSetsLocaleAndDirection) {
    EXPECT_EQ(languageOverride(samples::realistic(now, "he")), "he");
    for (const char* none : {"system", "xx", "EN", ""})
        EXPECT_EQ(languageOverride(samples::realistic(now, none)), std::nullopt) << none;
    EXPECT_EQ(languageOverride(samples::realistic(now)), std::nullopt);
    EXPECT_EQ(languageOverride(std::nullopt), std::nullopt);

    // Right to left: the header's name sits at the right edge, and texts come from Hebrew tables.
    const std::string hebrew = render(samples::realistic(now, "he"), F::systemMedium).layoutDump();
    const std::string english = render(samples::realistic(now, "system"), F::systemMedium).layoutDump();
    const std::regex name(R"(Text "Tallyfox" \(([\d.]+),)");
    std::smatch he, en;
    ASSERT_TRUE(std::regex_search(hebrew, he, name));
    ASSERT_TRUE(std::regex_search(english, en, name));
    EXPECT_GT(std::stod(he[1]), 250);
    EXPECT_LT(std::stod(en[1]), 50);
    EXPECT_EQ(english.find("נותרו"), std::string::npos);
}

// MARK: Fit

std::string familyName(F family) {
    return family == F::systemSmall ? "small" : family == F::systemMedium ? "medium" : "large";
}

struct DumpLine {
    int depth;
    std::string text;
    ui::Rect frame;
};

std::vector<DumpLine> parse(const std::string& dump) {
    static const std::regex frame(R"(\((-?[\d.]+), (-?[\d.]+), ([\d.]+) × ([\d.]+)\))");
    std::vector<DumpLine> lines;
    std::istringstream in(dump);
    for (std::string line; std::getline(in, line);) {
        // Lines without a frame (descriptive modifiers) still count for the tree's depth.
        std::smatch m;
        const auto depth = static_cast<int>(line.find_first_not_of(' ') / 2);
        ui::Rect rect;
        if (std::regex_search(line, m, frame))
            rect = {{std::stod(m[1]), std::stod(m[2])}, {std::stod(m[3]), std::stod(m[4])}};
        lines.push_back({depth, line.substr(static_cast<std::size_t>(depth) * 2), rect});
    }
    return lines;
}

/// Faults of a laid-out widget: an element outside the content area, a truncated text, two
/// children of a stack that overlap along its axis.
std::vector<std::string> fitFaults(const ui::LaidOutView& view) {
    constexpr double margin = 16, slack = 0.5;
    const ui::Size size = view.size();
    std::vector<std::string> faults;
    const auto lines = parse(view.layoutDump());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto& [depth, text, f] = lines[i];
        if (f.width() > 0 && f.height() > 0 &&
            (f.minX() < margin - slack || f.minY() < margin - slack || f.maxX() > size.width - margin + slack ||
             f.maxY() > size.height - margin + slack))
            faults.push_back("outside: " + text);
        if (text.rfind("Text ", 0) == 0 && text.find("…") != std::string::npos) faults.push_back("truncated: " + text);
        const bool vertical = text.rfind("VStack", 0) == 0, horizontal = text.rfind("HStack", 0) == 0;
        if (!vertical && !horizontal) continue;
        std::vector<ui::Rect> children;
        for (std::size_t j = i + 1; j < lines.size() && lines[j].depth > depth; ++j)
            if (lines[j].depth == depth + 1 && lines[j].frame.width() > 0 && lines[j].frame.height() > 0)
                children.push_back(lines[j].frame);
        for (std::size_t a = 0; a + 1 < children.size(); ++a) {
            const ui::Rect &p = children[a], &q = children[a + 1];
            const double overlap =
                vertical ? p.maxY() - q.minY() : std::min(p.maxX(), q.maxX()) - std::max(p.minX(), q.minX());
            if (overlap > slack) faults.push_back("overlap in: " + text);
        }
    }
    return faults;
}

TEST_F(WidgetLayoutTest, aRealisticWidgetFitsInEveryLanguageAndSize) {
    for (const auto language : widgetLanguages) {
        setenv("LANGUAGE", std::string(language == "system" ? "en" : language).c_str(), 1);
        for (const F family : {F::systemSmall, F::systemMedium, F::systemLarge}) {
            for (std::size_t count : {1u, 2u, 5u}) {
                // Names of the user's own accounts are cut to fit by design; the widget's texts never.
                auto contents = samples::realistic(now, std::string(language)).contents();
                for (auto& entry : contents.state.entries) entry.accountName.reset();
                auto snapshot = WidgetSnapshot(contents);
                if (count < 5) snapshot = snapshot.selectingPositions(count == 1 ? std::vector<std::size_t>{1}
                                                                                 : std::vector<std::size_t>{0, 1});
                const auto view = render(snapshot, family);
                for (const auto& fault : fitFaults(view))
                    ADD_FAILURE() << language << ", " << familyName(family) << ", " << count << " entries: " << fault;
            }
            for (auto state : {WidgetSnapshot::State::noProvidersEnabled(),
                               WidgetSnapshot::State::noProvidersDetected(), WidgetSnapshot::State::providers({})}) {
                const auto message = render(withState(state, std::string(language)), family);
                for (const auto& fault : fitFaults(message))
                    ADD_FAILURE() << language << " message, " << familyName(family) << ": " << fault;
            }
        }
    }
}

} // namespace
} // namespace tallyfox
