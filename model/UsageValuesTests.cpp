#include "model/UsageValues.hpp"

#include "platform/foundation/Localization.hpp"
#include "platform/foundation/UserDefaults.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

using namespace tallyfox;
namespace pf = platform::foundation;

namespace {

// The widget's bundle as the build lays it out, in a process whose defaults live in memory only.
class UsageTexts : public ::testing::Test {
protected:
    void SetUp() override {
        pf::setMainBundleInfo({"", TALLYFOX_APPEX_RESOURCES_DIR, "en", "TallyfoxWidget"});
        speak("en");
    }
    void TearDown() override { pf::UserDefaults::standard().removeObject("AppleLanguages"); }
    static void speak(const std::string& language) {
        pf::UserDefaults::standard().set("AppleLanguages", pf::PropertyListValue::strings({language}));
    }
};

UsagePercentage used(double value) { return UsagePercentage{value}; }

UsageWindow window(UsageWindowKind kind, std::optional<std::string> scope = std::nullopt,
                   std::optional<double> usage = std::nullopt, std::optional<double> resetsAt = std::nullopt) {
    UsageWindow result{kind, std::move(scope), std::nullopt, std::nullopt};
    if (usage) result.usage = UsagePercentage{*usage};
    if (resetsAt) result.resetsAt = pf::Date{*resetsAt};
    return result;
}

} // namespace

TEST(UsagePercentage, decodingClampsToZeroThroughHundredAndRefusesNonFiniteNumbers) {
    EXPECT_EQ(UsagePercentage::decode(100.0001)->value, 100);
    EXPECT_EQ(UsagePercentage::decode(-3)->value, 0);
    EXPECT_FALSE(std::signbit(UsagePercentage::decode(-0.0)->value));
    EXPECT_EQ(UsagePercentage::decode(42.5)->value, 42.5);
    for (const double bad :
         {std::nan(""), std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()}) {
        const auto result = UsagePercentage::decode(bad);
        ASSERT_FALSE(result.hasValue());
        EXPECT_EQ(result.error(), "Usage percentage isn’t a finite number");
    }
}

TEST(UsageWindowKind, readsAndWritesItsJSONForms) {
    EXPECT_EQ(UsageWindowKind::decode(std::int64_t{300}).value(), UsageWindowKind::fiveHour);
    EXPECT_EQ(UsageWindowKind::decode(std::int64_t{10080}).value(), UsageWindowKind::weekly);
    EXPECT_EQ(UsageWindowKind::decode(std::int64_t{90}).value(), UsageWindowKind::custom(90));
    EXPECT_EQ(UsageWindowKind::decode(std::string("monthly")).value(), UsageWindowKind::monthly);
    EXPECT_EQ(UsageWindowKind::decode(std::string("allowance")).value(), UsageWindowKind::allowance);
    const auto unknown = UsageWindowKind::decode(std::string("Monthly"));
    ASSERT_FALSE(unknown.hasValue());
    EXPECT_EQ(unknown.error(), "Unknown usage window kind");
    EXPECT_FALSE(UsageWindowKind::decode(std::string("43200")).hasValue());

    EXPECT_NE(UsageWindowKind::custom(300), UsageWindowKind::fiveHour);
    EXPECT_EQ(UsageWindowKind::fiveHour.encoded(), (std::variant<std::int64_t, std::string>(std::int64_t{300})));
    EXPECT_EQ(UsageWindowKind::custom(45).encoded(), (std::variant<std::int64_t, std::string>(std::int64_t{45})));
    EXPECT_EQ(UsageWindowKind::monthly.encoded(), (std::variant<std::int64_t, std::string>(std::string("monthly"))));
    EXPECT_EQ(UsageWindowKind::allowance.minutes(), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(UsageWindowKind::monthly.minutes(), 43200);
}

TEST(RawValues, roundTripAndRefuseUnknownStrings) {
    EXPECT_EQ(fromRawValue<UsageAmountStyle>("used"), UsageAmountStyle::used);
    EXPECT_EQ(fromRawValue<UsageAmountStyle>("remaining"), UsageAmountStyle::remaining);
    EXPECT_EQ(fromRawValue<UsageAmountStyle>("Used"), std::nullopt);
    for (const auto kind : {UsageTotal::Kind::creditsUsed, UsageTotal::Kind::creditsRemaining,
                            UsageTotal::Kind::charactersUsed, UsageTotal::Kind::charactersRemaining})
        EXPECT_EQ(fromRawValue<UsageTotal::Kind>(rawValue(kind)), kind);
    EXPECT_EQ(rawValue(UsageTotal::Kind::charactersRemaining), "charactersRemaining");
    EXPECT_EQ(fromRawValue<UsageTotal::Kind>("credits"), std::nullopt);
    EXPECT_EQ(fromRawValue<QuotaUnavailableReason>("toolNotRunning"), QuotaUnavailableReason::toolNotRunning);
    EXPECT_EQ(rawValue(QuotaUnavailableReason::temporarilyUnavailable), "temporarilyUnavailable");
    EXPECT_EQ(fromRawValue<QuotaUnavailableReason>("expired"), std::nullopt);
}

TEST_F(UsageTexts, roundsHalvesUpButShowsHundredOnlyWhenFullyUsed) {
    struct Case {
        double usage;
        int displayed;
        const char* used;
        const char* left;
    };
    for (const auto& c : {Case{99.6, 99, "99% used", "1% left"}, Case{100, 100, "100% used", "0% left"},
                          Case{99.4, 99, "99% used", "1% left"}, Case{0.4, 0, "0% used", "100% left"},
                          Case{42.5, 43, "43% used", "57% left"}, Case{0, 0, "0% used", "100% left"}}) {
        EXPECT_EQ(displayedUsedPercent(used(c.usage)), c.displayed) << c.usage;
        EXPECT_EQ(amountText(UsageAmountStyle::used, used(c.usage)), c.used);
        EXPECT_EQ(amountText(UsageAmountStyle::remaining, used(c.usage)), c.left);
    }
    EXPECT_EQ(amountPercentText(UsageAmountStyle::remaining, used(42)), "58%");
    EXPECT_EQ(shortUnitText(UsageAmountStyle::remaining), "left");
    EXPECT_EQ(shortUnitText(UsageAmountStyle::used), "used");
}

TEST_F(UsageTexts, formatsNumbersInTheAppLocaleAndWordsInThePreferredLanguage) {
    speak("de");
    EXPECT_EQ(appLocale().identifier(), "de");
    EXPECT_EQ(amountPercentText(UsageAmountStyle::used, used(42)), "42\u00A0%");
    EXPECT_EQ(amountText(UsageAmountStyle::remaining, used(42)), "58\u00A0% übrig");
    EXPECT_EQ(usageTitle(window(UsageWindowKind::weekly, "Opus")), "Nutzung (Woche, Opus)");
    speak("tr");
    EXPECT_EQ(amountText(UsageAmountStyle::remaining, used(42)), "%58 kaldı");
    speak("ja");
    EXPECT_EQ(usageTitle(window(UsageWindowKind::weekly, "Opus")), "Opusの週次使用量");
}

TEST_F(UsageTexts, titlesWindowsByTheirLength) {
    EXPECT_EQ(lengthTitle(UsageWindowKind::fiveHour), "5-hour");
    EXPECT_EQ(lengthTitle(UsageWindowKind::weekly), "Weekly");
    EXPECT_EQ(lengthTitle(UsageWindowKind::monthly), "Monthly");
    EXPECT_EQ(lengthTitle(UsageWindowKind::allowance), "Allowance");
    EXPECT_EQ(lengthTitle(UsageWindowKind::custom(1440)), "Daily");
    EXPECT_EQ(lengthTitle(UsageWindowKind::custom(10080)), "7-day"); // a custom week is not "Weekly"
    EXPECT_EQ(lengthTitle(UsageWindowKind::custom(2880)), "2-day");
    EXPECT_EQ(lengthTitle(UsageWindowKind::custom(43200)), "30-day");
    EXPECT_EQ(lengthTitle(UsageWindowKind::custom(0)), "0-day");
    EXPECT_EQ(lengthTitle(UsageWindowKind::custom(45)), "45-minute");
    EXPECT_EQ(lengthTitle(UsageWindowKind::custom(90)), "90-minute");
    EXPECT_EQ(lengthTitle(UsageWindowKind::custom(120)), "2-hour");
    EXPECT_EQ(lengthTitle(UsageWindowKind::custom(180)), "3-hour");

    const auto key = lengthTitleKey(UsageWindowKind::custom(90));
    EXPECT_EQ(key.key, "%lld-minute");
    EXPECT_TRUE(key.comment.empty());
    EXPECT_EQ(key.resolved(), "90-minute");
    EXPECT_EQ(key.resolved(pf::Locale("ru")), "90 минут");

    EXPECT_EQ(usageTitle(window(UsageWindowKind::monthly)), "Monthly usage");
    EXPECT_EQ(usageTitle(window(UsageWindowKind::fiveHour, "Opus")), "5-hour Opus usage");
}

TEST_F(UsageTexts, titlesCountTheirLengthInTheFormsOfTheLanguage) {
    const auto titles = [](const char* language, std::int64_t minutesPerUnit) {
        speak(language);
        std::vector<std::string> result;
        for (const std::int64_t count : {1, 2, 5, 21})
            result.push_back(lengthTitle(UsageWindowKind::custom(count * minutesPerUnit)));
        return result;
    };
    using Texts = std::vector<std::string>;
    EXPECT_EQ(titles("de", 60), (Texts{"1 Stunde", "2 Stunden", "5 Stunden", "21 Stunden"}));
    EXPECT_EQ(titles("fr", 60), (Texts{"1 heure", "2 heures", "5 heures", "21 heures"}));
    EXPECT_EQ(titles("ru", 60), (Texts{"1 час", "2 часа", "5 часов", "21 час"}));
    EXPECT_EQ(titles("he", 60), (Texts{"שעה", "שעתיים", "5 שעות", "21 שעות"}));
    EXPECT_EQ(titles("ru", 1), (Texts{"1 минута", "2 минуты", "5 минут", "21 минута"}));
    EXPECT_EQ(titles("nl", 1), (Texts{"1 minuut", "2 minuten", "5 minuten", "21 minuten"}));
    EXPECT_EQ(titles("ja", 1), (Texts{"1分間", "2分間", "5分間", "21分間"}));
    // One day is "Daily", a title of its own.
    EXPECT_EQ(titles("ru", 1440), (Texts{"День", "2 дня", "5 дней", "21 день"}));
    EXPECT_EQ(titles("he", 1440), (Texts{"יומי", "יומיים", "5 ימים", "21 ימים"}));
    // A view looks the key up with its own locale, and the count still picks the form.
    speak("en");
    EXPECT_EQ(lengthTitleKey(UsageWindowKind::custom(60)).resolved(pf::Locale("de")), "1 Stunde");
    EXPECT_EQ(lengthTitleKey(UsageWindowKind::custom(60)).resolved(), "1-hour");
    EXPECT_EQ(usageTitle(window(UsageWindowKind::custom(120), "Opus")), "2-hour Opus usage");
    speak("es");
    EXPECT_EQ(usageTitle(window(UsageWindowKind::custom(60))), "Uso (1 hora)");
}

TEST(UsageWindow, isIdentifiedByLengthAndScope) {
    EXPECT_EQ(window(UsageWindowKind::weekly, "Opus").id(), "10080|Opus");
    EXPECT_EQ(window(UsageWindowKind::fiveHour).id(), "300|");
    EXPECT_EQ(window(UsageWindowKind::custom(300)).id(), window(UsageWindowKind::fiveHour).id());
    EXPECT_EQ(window(UsageWindowKind::monthly, "").id(), "monthly|");
    EXPECT_EQ(window(UsageWindowKind::allowance, "x").id(), "allowance|x");
}

TEST(UsageWindow, sortsByLengthThenByComposedScope) {
    const auto fiveHour = window(UsageWindowKind::fiveHour);
    const auto weekly = window(UsageWindowKind::weekly);
    const auto weeklyOpus = window(UsageWindowKind::weekly, "Opus");
    EXPECT_TRUE(fiveHour < weekly);
    EXPECT_FALSE(weekly < fiveHour);
    EXPECT_TRUE(weekly < weeklyOpus);
    EXPECT_TRUE(window(UsageWindowKind::custom(50000)) < window(UsageWindowKind::allowance));
    EXPECT_TRUE(window(UsageWindowKind::monthly) < window(UsageWindowKind::allowance));
    EXPECT_FALSE(weeklyOpus < window(UsageWindowKind::weekly, "Opus", 99));
    EXPECT_FALSE(window(UsageWindowKind::weekly, "Opus", 99) < weeklyOpus);
    // "é" written composed and decomposed is one scope.
    const auto composed = window(UsageWindowKind::weekly, "caf\u00E9");
    const auto decomposed = window(UsageWindowKind::weekly, "cafe\u0301");
    EXPECT_FALSE(composed < decomposed);
    EXPECT_FALSE(decomposed < composed);
    EXPECT_TRUE(window(UsageWindowKind::weekly, "cafe") < decomposed);
}

TEST(PrimaryWindow, prefersTheHighestUsageThenTheEarliestReset) {
    const double hour = 3600;
    const std::vector<UsageWindow> windows = {window(UsageWindowKind::fiveHour, {}, 30, 2 * hour),
                                              window(UsageWindowKind::weekly, {}, 80, 6 * 24 * hour),
                                              window(UsageWindowKind::monthly, {}, 80, 3 * hour)};
    EXPECT_EQ(primaryWindow(windows), windows[2]);

    // Equal usage: a reset beats no reset; a full tie keeps the earlier window.
    const std::vector<UsageWindow> ties = {
        window(UsageWindowKind::weekly, "a", 50), window(UsageWindowKind::weekly, "b", 50),
        window(UsageWindowKind::weekly, "c", 50, 10 * hour), window(UsageWindowKind::weekly, "d", 50, 10 * hour)};
    EXPECT_EQ(primaryWindow(ties)->scope, "c");
    EXPECT_EQ(primaryWindow(std::vector<UsageWindow>(ties.begin(), ties.begin() + 2))->scope, "a");

    // Windows without usage never win, even with the earliest reset.
    const std::vector<UsageWindow> someUnknown = {window(UsageWindowKind::fiveHour, {}, std::nullopt, 1),
                                                  window(UsageWindowKind::weekly, {}, 0)};
    EXPECT_EQ(primaryWindow(someUnknown), someUnknown[1]);
    EXPECT_EQ(primaryWindow(std::vector<UsageWindow>{window(UsageWindowKind::weekly)}), std::nullopt);
    EXPECT_EQ(primaryWindow(std::vector<UsageWindow>{}), std::nullopt);
}
