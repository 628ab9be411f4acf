#include "platform/foundation/Formatters.hpp"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using namespace platform::foundation;

namespace {
// 2026-03-16T09:10:00Z, a Monday.
constexpr double monday = 1773652200;
} // namespace

TEST(Formatters, numbersFollowCLDR) {
    EXPECT_EQ(formatPercent(0.58, Locale("en")), "58%");
    EXPECT_EQ(formatPercent(0.585, Locale("en")), "58%"); // no fraction digits, half-even
    EXPECT_EQ(formatPercent(0.58, Locale("de")), "58\u00A0%");
    EXPECT_EQ(formatPercent(0.58, Locale("he")), "58%");
    EXPECT_EQ(formatCompactName(1'000'000'000'000, Locale("en")), "1T");
    EXPECT_EQ(formatCompactName(0, Locale("en")), "0");
    EXPECT_EQ(formatTwoDigitInteger(8, Locale("en")), "08");
    EXPECT_EQ(formatTwoDigitInteger(59, Locale("ja")), "59");
    EXPECT_EQ(formatTwoDigitInteger(0, Locale("de")), "00");
    EXPECT_EQ(formatDecimalAmount(Decimal::fromJSONNumber("1234.5").value(), Locale("en")), "1,234.5");
    EXPECT_EQ(formatDecimalAmount(Decimal::fromJSONNumber("1234.5").value(), Locale("es")),
              "1234,5"); // CLDR: no grouping of four digits
    EXPECT_EQ(formatDecimalAmount(Decimal::fromJSONNumber("0.004").value(), Locale("en")), "0");
}

TEST(Formatters, datesComeFromTheLocalizedTemplateInTheGivenZone) {
    const Date date{monday};
    EXPECT_EQ(formatDate(date, "EEEHHmm", Locale("en"), Calendar{}, TimeZone{"UTC"}), "Mon 09:10");
    EXPECT_EQ(formatDate(date, "EEEHHmm", Locale("en"), Calendar{}, TimeZone{"Asia/Tokyo"}), "Mon 18:10");
    EXPECT_EQ(formatDate(date, "EEEHHmm", Locale("fr"), Calendar{}, TimeZone{"UTC"}), "lun. 09:10");
    EXPECT_EQ(formatDate(date, "EEEHHmm", Locale("ru"), Calendar{}, TimeZone{"UTC"}), "пн 09:10");
    EXPECT_EQ(formatDate(date, "EEEHHmm", Locale("tr"), Calendar{}, TimeZone{"UTC"}), "Pzt 09:10");
    EXPECT_EQ(formatDate(date, "yyyy", Locale("en"), Calendar{"buddhist", std::nullopt}, TimeZone{"UTC"}), "2569 BE");
}

TEST(Formatters, hoursAndMinutesLeaveOutZeroUnits) {
    EXPECT_EQ(formatHoursAndMinutes(3 * 3600 + 8 * 60, Locale("en")), "3 hours, 8 minutes");
    EXPECT_EQ(formatHoursAndMinutes(3600, Locale("en")), "1 hour");
    EXPECT_EQ(formatHoursAndMinutes(60, Locale("en")), "1 minute");
    EXPECT_EQ(formatHoursAndMinutes(125, Locale("en")), "2 minutes"); // leftover seconds dropped
    EXPECT_EQ(formatHoursAndMinutes(59, Locale("en")), std::nullopt);
    EXPECT_EQ(formatHoursAndMinutes(-60, Locale("en")), std::nullopt);
    EXPECT_EQ(formatHoursAndMinutes(3 * 3600 + 8 * 60, Locale("fr")), "3\u00A0heures et 8 minutes");
    EXPECT_EQ(formatHoursAndMinutes(3 * 3600 + 8 * 60, Locale("ko")), "3시간 8분");
    EXPECT_EQ(formatHoursAndMinutes(21 * 60, Locale("ru")), "21 минута");
}

TEST(Formatters, relativeTimesNameTheLargestWholeUnitInThePast) {
    const Date now{monday};
    EXPECT_EQ(formatRelativePast(now.addingTimeInterval(-3 * 3600 - 100), now, Locale("en")), "3 hours ago");
    EXPECT_EQ(formatRelativePast(now.addingTimeInterval(-2 * 86400 - 7200), now, Locale("en")), "2 days ago");
    EXPECT_EQ(formatRelativePast(now.addingTimeInterval(-601), now, Locale("en")), "10 minutes ago");
    EXPECT_EQ(formatRelativePast(now.addingTimeInterval(-30), now, Locale("en")), "0 minutes ago");
    EXPECT_EQ(formatRelativePast(now.addingTimeInterval(60), now, Locale("en")), "0 minutes ago");
    EXPECT_EQ(formatRelativePast(now.addingTimeInterval(-3 * 3600), now, Locale("en"), RelativeTimeWidth::abbreviated),
              "3 hr. ago");
    EXPECT_EQ(formatRelativePast(now.addingTimeInterval(-3 * 3600), now, Locale("de")), "vor 3 Stunden");
    EXPECT_EQ(formatRelativePast(now.addingTimeInterval(-3 * 3600), now, Locale("he")), "לפני 3 שעות");
}

TEST(Formatters, countdownTimerShowsHoursMinutesAndSeconds) {
    EXPECT_EQ(formatCountdownTimer(3 * 3600 + 7 * 60 + 10, Locale("en")), "3:07:10");
    EXPECT_EQ(formatCountdownTimer(7 * 60 + 9.2, Locale("en")), "0:07:10");
    EXPECT_EQ(formatCountdownTimer(-5, Locale("en")), "0:00:00");
    EXPECT_EQ(formatCountdownTimer(23 * 3600 + 59 * 60 + 59, Locale("de")), "23:59:59");
}

TEST(Formatters, sharedFormattersGiveEachThreadItsOwnLocale) {
    const char* const locales[] = {"en", "de", "ja", "ru", "he", "uz", "kk", "tr"};
    std::vector<std::string> expected, got(std::size(locales));
    for (const char* locale : locales)
        expected.push_back(formatDate(Date{monday}, "EEEHHmm", Locale(locale), Calendar{}, TimeZone{"UTC"}) + "|" +
                           formatPercent(0.5, Locale(locale)) + "|" + *formatHoursAndMinutes(7200, Locale(locale)));
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < std::size(locales); ++i) {
        threads.emplace_back([&, i] {
            const Locale locale(locales[i]);
            for (int round = 0; round < 300; ++round) {
                std::string text = formatDate(Date{monday}, "EEEHHmm", locale, Calendar{}, TimeZone{"UTC"}) + "|" +
                                   formatPercent(0.5, locale) + "|" + *formatHoursAndMinutes(7200, locale);
                if (text != expected[i]) {
                    got[i] = text;
                    return;
                }
            }
            got[i] = expected[i];
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(got, expected);
}

TEST(Locale, knowsItsLanguageAndDirection) {
    EXPECT_EQ(Locale("de_CH").languageCode(), "de");
    EXPECT_EQ(Locale("pt-BR").canonicalIdentifier(), "pt_BR");
    EXPECT_EQ(Locale("pt-BR").identifier(), "pt-BR");
    EXPECT_EQ(Locale().languageCode(), std::nullopt);
    EXPECT_TRUE(Locale("he").isRightToLeft());
    EXPECT_TRUE(Locale("ar_EG").isRightToLeft());
    EXPECT_FALSE(Locale("uz").isRightToLeft());
    EXPECT_FALSE(Locale().isRightToLeft());
}
