#include "TallyfoxWidget/WidgetEnvironment.hpp"
#include "TallyfoxWidget/WidgetSamples.hpp"
#include "TallyfoxWidget/WidgetViews.hpp"
#include "platform/foundation/Localization.hpp"
#include "platform/ui/Rendering.hpp"

#include <gtest/gtest.h>

#include <cstdlib>

namespace tallyfox {
namespace {

namespace ui = platform::ui;
namespace pf = platform::foundation;

const Date now{1796644800};

struct WidgetViewTest : ::testing::Test {
    WidgetViewTest() {
        setenv("LANGUAGE", "en", 1);
        pf::setMainBundleInfo({"", TALLYFOX_APPEX_RESOURCES_DIR, "en", "TallyfoxWidget"});
        ui::setDefaultAssetDirectory(TALLYFOX_APPEX_RESOURCES_DIR);
    }
    ~WidgetViewTest() override { pf::setMainBundleInfo({}); }

    static std::string dump(const ui::View& view, double width = 300,
                            UsageAmountStyle style = UsageAmountStyle::remaining) {
        ui::Environment environment;
        environment.date = now;
        environment.setValue<UsageAmountStyleKey>(style);
        return ui::layout(view, environment, {width, std::nullopt}).layoutDump();
    }
    static std::string announced(const ui::View& view) {
        ui::Environment environment;
        environment.date = now;
        return ui::layout(view, environment, {300.0, std::nullopt}).accessibilityDump();
    }
    static std::size_t count(const std::string& haystack, const std::string& needle) {
        std::size_t n = 0;
        for (auto at = haystack.find(needle); at != std::string::npos; at = haystack.find(needle, at + 1)) ++n;
        return n;
    }
};

TEST_F(WidgetViewTest, theRemainingLabelShowsADashAloneWithoutUsage) {
    for (const bool compact : {false, true}) {
        for (const auto style : {UsageAmountStyle::remaining, UsageAmountStyle::used}) {
            const std::string d =
                dump(WidgetRemainingLabel{std::nullopt, ui::Font(ui::TextStyle::caption), true, compact}, 300, style);
            EXPECT_EQ(count(d, "Text "), 1u) << d;
            EXPECT_NE(d.find("Text \"—\""), std::string::npos);
        }
    }
    const std::string usedCompact =
        dump(WidgetRemainingLabel{UsagePercentage{42}, ui::Font(ui::TextStyle::caption), false, true}, 300,
             UsageAmountStyle::used);
    EXPECT_NE(usedCompact.find("Text \"42%\""), std::string::npos);
    EXPECT_NE(usedCompact.find("Text \"used\""), std::string::npos);
    EXPECT_NE(usedCompact.find("caption semibold 10pt tnum"), std::string::npos);
}

TEST_F(WidgetViewTest, aWindowRowTitlesItsScopeAndLeavesOutAMissingReset) {
    const auto formatter = ResetTimeFormatter::autoupdating(pf::Locale("en"));
    const auto scoped = samples::window(UsageWindowKind::weekly, 64, std::nullopt, now, "Opus");
    const std::string d = dump(WidgetWindowRow{scoped, now, true, formatter});
    EXPECT_NE(d.find("Text \"Weekly\""), std::string::npos);
    EXPECT_NE(d.find("Text \" · Opus\""), std::string::npos);
    EXPECT_EQ(d.find("Resets"), std::string::npos); // no reset, no third line
    EXPECT_EQ(announced(WidgetWindowRow{scoped, now, true, formatter}), "\"Weekly Opus usage\", value \"36% left\"\n");
}

TEST_F(WidgetViewTest, windowTitlesTakeThePluralFormOfTheirLength) {
    const auto formatter = ResetTimeFormatter::autoupdating(pf::Locale("de"));
    const auto title = [&](std::int64_t minutes, const char* language) {
        ui::Environment environment;
        environment.date = now;
        environment.locale = pf::Locale(language);
        const auto w = samples::window(UsageWindowKind::custom(minutes), 10, std::nullopt, now);
        return ui::layout(WidgetWindowRow{w, now, true, formatter}, environment, {300.0, std::nullopt}).layoutDump();
    };
    EXPECT_NE(title(60, "de").find("Text \"1 Stunde\""), std::string::npos);
    EXPECT_NE(title(120, "de").find("Text \"2 Stunden\""), std::string::npos);
    EXPECT_NE(title(60 * 24 * 21, "ru").find("Text \"21 день\""), std::string::npos);
}

TEST_F(WidgetViewTest, activityShowsTokensBeforeCreditsAndOtherwiseTheFirstTotal) {
    auto entry = samples::codex(now);
    entry.creditsToday = Decimal::fromJSONNumber("2.23").value();
    EXPECT_NE(dump(WidgetActivityLabel{entry, true}).find("Text \"12.8M tokens\""), std::string::npos);
    entry.tokensToday.reset();
    EXPECT_NE(dump(WidgetActivityLabel{entry, false}).find("Text \"2.23 credits today\""), std::string::npos);
    entry.creditsToday.reset();
    entry.totals =
        std::vector<UsageTotal>{{UsageTotal::Kind::creditsRemaining, Decimal::fromJSONNumber("12.5").value()}};
    EXPECT_NE(dump(WidgetActivityLabel{entry, true}).find("Text \"12.5 credits remaining\""), std::string::npos);
    entry.totals.reset();
    EXPECT_EQ(count(dump(WidgetActivityLabel{entry, false}), "Text"), 0u); // takes no room
}

TEST_F(WidgetViewTest, aStaleNameCarriesAClockWithItsAgeAsTooltip) {
    const auto name = [&](double age) {
        return dump(WidgetProviderName{ProviderID::codex, std::nullopt, ui::Font(ui::TextStyle::caption),
                                       now.addingTimeInterval(-age), now});
    };
    EXPECT_EQ(name(600).find("clock"), std::string::npos);
    const std::string stale = name(601);
    EXPECT_NE(stale.find("help \"Updated 10 minutes ago\""), std::string::npos);
    EXPECT_NE(stale.find("Symbol \"clock\""), std::string::npos);
    EXPECT_EQ(announced(WidgetProviderName{ProviderID::codex, "Codex · work", ui::Font(ui::TextStyle::caption),
                                           now.addingTimeInterval(-7200), now}),
              "\"Codex · work, Updated 2 hours ago\"\n");
}

} // namespace
} // namespace tallyfox
