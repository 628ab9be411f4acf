#include "TallyfoxWidget/NumberTexts.hpp"

#include <gtest/gtest.h>

using namespace tallyfox;
using platform::foundation::Decimal;
using platform::foundation::Locale;

namespace {

Decimal decimal(std::string_view text) { return Decimal::fromJSONNumber(text).value(); }

} // namespace

TEST(PercentText, followsEachLocalesPercentPattern) {
    EXPECT_EQ(percentText(58, Locale("en")), "58%");
    EXPECT_EQ(percentText(100, Locale("en")), "100%");
    EXPECT_EQ(percentText(0, Locale("en")), "0%");
    EXPECT_EQ(percentText(58, Locale("de")), "58\u00A0%");
    EXPECT_EQ(percentText(58, Locale("fr")), "58\u00A0%");
    EXPECT_EQ(percentText(58, Locale("tr")), "%58");
    EXPECT_EQ(percentText(58, Locale("ja")), "58%");
    EXPECT_EQ(percentText(150, Locale("en")), "150%"); // any integer is accepted
}

TEST(CompactCount, usesCompactNamesWithAtMostThreeSignificantDigits) {
    EXPECT_EQ(compactCount(12'800'000, Locale("en")), "12.8M");
    EXPECT_EQ(compactCount(950, Locale("en")), "950");
    EXPECT_EQ(compactCount(1'234'567, Locale("en")), "1.23M");
    EXPECT_EQ(compactCount(88'000, Locale("en")), "88K");
    EXPECT_EQ(compactCount(-5, Locale("en")), "0");
    EXPECT_EQ(compactCount(12'800'000, Locale("de")), "12,8\u00A0Mio.");
    EXPECT_EQ(compactCount(12'800'000, Locale("ru")), "12,8\u00A0млн");
    EXPECT_EQ(compactCount(12'800'000, Locale("ja")), "1280万");
    EXPECT_EQ(compactCount(12'800'000, Locale("ko")), "1280만");
}

TEST(CreditAmount, showsTheExactAmountWithUpToTwoFractionDigits) {
    EXPECT_EQ(creditAmount(decimal("2.23"), Locale("en")), "2.23");
    EXPECT_EQ(creditAmount(decimal("5"), Locale("en")), "5");
    EXPECT_EQ(creditAmount(decimal("12.5"), Locale("en")), "12.5");
    EXPECT_EQ(creditAmount(decimal("88000"), Locale("en")), "88,000");
    EXPECT_EQ(creditAmount(decimal("-1.5"), Locale("en")), "0");
    EXPECT_EQ(creditAmount(decimal("2.005"), Locale("en")), "2"); // half-even on the exact value
    EXPECT_EQ(creditAmount(decimal("2.0051"), Locale("en")), "2.01");
    // A double would print 0.1 + 0.2 as 0.30000000000000004 somewhere; the decimal never does.
    EXPECT_EQ(creditAmount(decimal("12345678901234567890.12"), Locale("en")), "12,345,678,901,234,567,890.12");
    EXPECT_EQ(creditAmount(decimal("88000.5"), Locale("de")), "88.000,5");
    EXPECT_EQ(creditAmount(decimal("88000.5"), Locale("fr")), "88\u202F000,5");
}
