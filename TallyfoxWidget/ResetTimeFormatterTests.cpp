#include "TallyfoxWidget/ResetTimeFormatter.hpp"

#include "platform/foundation/Localization.hpp"
#include "platform/foundation/UserDefaults.hpp"

#include <gtest/gtest.h>

using namespace tallyfox;
namespace pf = platform::foundation;

namespace {

// 2026-03-16T09:10:00Z, a Monday.
constexpr double monday = 1773652200;

class ResetTexts : public ::testing::Test {
protected:
    void SetUp() override {
        pf::setMainBundleInfo({"", TALLYFOX_APPEX_RESOURCES_DIR, "en", "TallyfoxWidget"});
        speak("en");
    }
    void TearDown() override { pf::UserDefaults::standard().removeObject("AppleLanguages"); }
    static void speak(const std::string& language) {
        pf::UserDefaults::standard().set("AppleLanguages", pf::PropertyListValue::strings({language}));
    }
    static ResetTimeFormatter formatter(const char* locale, const char* zone = "UTC") {
        return ResetTimeFormatter{pf::Calendar{}, pf::Locale(locale), pf::TimeZone{zone}};
    }
    static std::string countdown(double seconds) {
        return formatter("en").countdown(pf::Date{monday}, pf::Date{monday + seconds});
    }
    static std::string description(const ResetTimeFormatter& formatter, double seconds) {
        return formatter.resetDescription(pf::Date{monday + seconds}, pf::Date{monday});
    }
};

} // namespace

TEST_F(ResetTexts, countdownRoundsUpToTheMinuteAndDropsLeftoverMinutesOfDays) {
    EXPECT_EQ(countdown(0), "0m");
    EXPECT_EQ(countdown(-30), "0m");
    EXPECT_EQ(countdown(30), "1m");
    EXPECT_EQ(countdown(60.5), "2m");
    EXPECT_EQ(countdown(38 * 60), "38m");
    EXPECT_EQ(countdown(59 * 60 + 1), "1h 00m");
    EXPECT_EQ(countdown(60 * 60), "1h 00m");
    EXPECT_EQ(countdown(3 * 3600 + 7 * 60 + 10), "3h 08m");
    EXPECT_EQ(countdown(23 * 3600 + 59 * 60), "23h 59m");
    EXPECT_EQ(countdown(23 * 3600 + 59 * 60 + 30), "1d 0h");
    EXPECT_EQ(countdown(2 * 86400 + 4 * 3600 + 59 * 60), "2d 4h");
    EXPECT_EQ(countdown(1e300), countdown(1e300)); // far-off dates neither crash nor overflow
}

TEST_F(ResetTexts, countdownWordsFollowTheProcessLanguageAndPaddingTheFormattersLocale) {
    speak("de");
    EXPECT_EQ(countdown(3 * 3600 + 7 * 60 + 10), "3 h 08 min");
    EXPECT_EQ(countdown(2 * 86400 + 4 * 3600), "2 T 4 h");
    speak("ja");
    EXPECT_EQ(countdown(38 * 60), "38分");
}

TEST_F(ResetTexts, resetDescriptionSpellsOutTheTimeLeftWithinADay) {
    EXPECT_EQ(description(formatter("en"), 0), "Resetting now");
    EXPECT_EQ(description(formatter("en"), -5), "Resetting now");
    EXPECT_EQ(description(formatter("en"), 59), "Resets in 1 minute");
    EXPECT_EQ(description(formatter("en"), 3600), "Resets in 1 hour");
    EXPECT_EQ(description(formatter("en"), 3 * 3600 + 7 * 60 + 10), "Resets in 3 hours, 8 minutes");
    EXPECT_EQ(description(formatter("en"), 86399), "Resets in 24 hours");
    EXPECT_EQ(description(formatter("en"), 86400), "Resets Tue 09:10");
    EXPECT_EQ(description(formatter("en", "Europe/Berlin"), 86400), "Resets Tue 10:10");
}

TEST_F(ResetTexts, weekdayAndTimeUsesTheLocalesPatternWithATwoDigitHour) {
    const pf::Date resetsAt{monday};
    EXPECT_EQ(formatter("en").weekdayAndTime(resetsAt), "Mon 09:10");
    EXPECT_EQ(formatter("de").weekdayAndTime(resetsAt), "Mo., 09:10");
    EXPECT_EQ(formatter("es").weekdayAndTime(resetsAt), "lun, 09:10");
    EXPECT_EQ(formatter("ja").weekdayAndTime(resetsAt), "09:10 (月)");
    EXPECT_EQ(formatter("ko").weekdayAndTime(resetsAt), "(월) 09:10");
    EXPECT_EQ(formatter("he").weekdayAndTime(resetsAt), "יום ב׳ 09:10");
    EXPECT_EQ(formatter("kk").weekdayAndTime(resetsAt), "дс 09:10");
    EXPECT_EQ(formatter("uz").weekdayAndTime(resetsAt), "Duş, 09:10"); // "Dush" shortened
    EXPECT_EQ(formatter("uz").weekdayAndTime(pf::Date{monday + 5 * 86400}), "Şan, 09:10");
}

TEST_F(ResetTexts, durationsAreInTheFormattersLocaleAndSentencesInTheProcessLanguage) {
    speak("de");
    EXPECT_EQ(description(formatter("de"), 3 * 3600 + 7 * 60 + 10), "Reset in 3 Stunden, 8 Minuten");
    speak("ru");
    EXPECT_EQ(description(formatter("ru"), 3 * 3600 + 7 * 60 + 10), "До сброса 3 часа 8 минут");
    speak("uz");
    EXPECT_EQ(description(formatter("uz"), 3 * 3600 + 7 * 60 + 10), "Yangilanishgacha 3 soat 8 daqiqa");
    speak("he");
    EXPECT_EQ(description(formatter("he"), 7 * 60), "מתאפס בעוד 7 דקות");
    speak("ja");
    EXPECT_EQ(description(formatter("ja"), 86400 * 2), "09:10 (水)にリセット");
}

TEST_F(ResetTexts, sentencesReadRightForEveryCount) {
    const auto sentences = [](const char* language, double extraSeconds) {
        speak(language);
        std::vector<std::string> result;
        for (const int hours : {1, 2, 5, 21})
            result.push_back(description(formatter(language), hours * 3600 + extraSeconds));
        return result;
    };
    using Texts = std::vector<std::string>;
    EXPECT_EQ(sentences("de", 8 * 60), (Texts{"Reset in 1 Stunde, 8 Minuten", "Reset in 2 Stunden, 8 Minuten",
                                              "Reset in 5 Stunden, 8 Minuten", "Reset in 21 Stunden, 8 Minuten"}));
    EXPECT_EQ(
        sentences("fr", 8 * 60), // the hours keep to their number with a no-break space
        (Texts{"Réinitialisation dans 1\u00A0heure et 8 minutes", "Réinitialisation dans 2\u00A0heures et 8 minutes",
               "Réinitialisation dans 5\u00A0heures et 8 minutes",
               "Réinitialisation dans 21\u00A0heures et 8 minutes"}));
    // Russian names the time left in the nominative, which "через" would not take ("через 1 минуту").
    EXPECT_EQ(sentences("ru", 8 * 60), (Texts{"До сброса 1 час 8 минут", "До сброса 2 часа 8 минут",
                                              "До сброса 5 часов 8 минут", "До сброса 21 час 8 минут"}));
    EXPECT_EQ(sentences("ru", 60 - 3600), (Texts{"До сброса 1 минута", "До сброса 1 час 1 минута",
                                                  "До сброса 4 часа 1 минута", "До сброса 20 часов 1 минута"}));
    EXPECT_EQ(sentences("he", 8 * 60), (Texts{"מתאפס בעוד שעה, 8 דקות", "מתאפס בעוד שעתיים, 8 דקות",
                                              "מתאפס בעוד 5 שעות, 8 דקות", "מתאפס בעוד 21 שעות, 8 דקות"}));
    // Weekdays: the Hebrew preposition joins a Hebrew word without a hyphen.
    EXPECT_EQ(description(formatter("he"), 86400 * 3), "מתאפס ביום ה׳ 09:10");
    EXPECT_EQ(description(formatter("he"), 86400 * 5), "מתאפס בשבת 09:10");
    speak("kk");
    EXPECT_EQ(description(formatter("kk"), 3600 + 8 * 60), "Жаңаруға 1 сағат 8 минут қалды");
    speak("ja");
    EXPECT_EQ(description(formatter("ja"), 0), "リセット中");
}

TEST(NormalizeUzbekLetters, shortensOnlyUzbek) {
    const pf::Locale uzbek("uz");
    EXPECT_EQ(normalizeUzbekLetters("O\u02BBzbekiston", uzbek), "Özbekiston");
    EXPECT_EQ(normalizeUzbekLetters("shanba", uzbek), "şanba");
    EXPECT_EQ(normalizeUzbekLetters("o'g\u2019il SHAHAR Chorshanba choy", uzbek), "öğil ŞAHAR Çorşanba çoy");
    EXPECT_EQ(normalizeUzbekLetters("O\u2018G\u02BCo\u2019", pf::Locale("uz_Latn_UZ")), "ÖĞö");
    EXPECT_EQ(normalizeUzbekLetters("shanba O\u02BBzbekiston", pf::Locale("en")), "shanba O\u02BBzbekiston");
    EXPECT_EQ(normalizeUzbekLetters("shanba", pf::Locale("tr")), "shanba");
    EXPECT_EQ(normalizeUzbekLetters("shanba", pf::Locale()), "shanba");
}
