#include "platform/foundation/Decimal.hpp"

#include <gtest/gtest.h>

using platform::foundation::Decimal;

namespace {

Decimal decimal(std::string_view text) {
    auto result = Decimal::fromJSONNumber(text);
    EXPECT_TRUE(result.hasValue()) << text;
    return result.hasValue() ? result.value() : Decimal{};
}

} // namespace

TEST(Decimal, keepsTheExactDigitsOfItsSourceText) {
    EXPECT_EQ(decimal("2.23").description(), "2.23");
    EXPECT_EQ(decimal("2.23").scientificText(), "223E-2");
    EXPECT_EQ(decimal("-0.005").description(), "-0.005");
    EXPECT_EQ(decimal("12e2").description(), "1200");
    EXPECT_EQ(decimal("1.50E+1").description(), "15");
    EXPECT_EQ(decimal("0.1").description(), "0.1"); // not 0.1000000000000000055…
    EXPECT_EQ(decimal("123456789012345678901234567890.12345678").description(),
              "123456789012345678901234567890.12345678");
}

TEST(Decimal, normalisesSoThatEqualValuesCompareEqual) {
    EXPECT_EQ(decimal("1.10"), decimal("1.1"));
    EXPECT_EQ(decimal("-0"), Decimal{});
    EXPECT_EQ(decimal("0.000e5"), Decimal{});
    EXPECT_FALSE(decimal("-0").isNegative());
    EXPECT_EQ(Decimal::fromInteger(-42), decimal("-4.2e1"));
}

TEST(Decimal, ordersByValue) {
    EXPECT_LT(decimal("1.49"), decimal("1.5"));
    EXPECT_LT(decimal("1.5"), decimal("1.51"));
    EXPECT_LT(decimal("99"), decimal("100"));
    EXPECT_LT(decimal("-100"), decimal("-99"));
    EXPECT_LT(decimal("-0.5"), Decimal{});
    EXPECT_LT(Decimal{}, decimal("0.0001"));
}

TEST(Decimal, roundsBeyondThirtyEightSignificantDigits) {
    EXPECT_EQ(decimal("123456789012345678901234567890123456784").description(),
              "123456789012345678901234567890123456780");
    EXPECT_EQ(decimal("1234567890123456789012345678901234567850").description(),
              "1234567890123456789012345678901234567900");
    EXPECT_EQ(decimal("99999999999999999999999999999999999999.5").description(),
              "100000000000000000000000000000000000000");
    EXPECT_EQ(decimal("1e-200"), Decimal{});
}

TEST(Decimal, refusesWhatIsNotAJSONNumber) {
    for (const char* text : {"", "-", "01", "1.", ".5", "+1", "1e", "1e+", "0x10", "1,5", " 1", "NaN", "Infinity"}) {
        const auto result = Decimal::fromJSONNumber(text);
        ASSERT_FALSE(result.hasValue()) << text;
        EXPECT_EQ(result.error(), "“" + std::string(text) + "” is not a number");
    }
    const auto huge = Decimal::fromJSONNumber("1e200");
    ASSERT_FALSE(huge.hasValue());
    EXPECT_EQ(huge.error(), "“1e200” is too large for a decimal");
    EXPECT_FALSE(Decimal::fromJSONNumber("1e99999999999999999999").hasValue());
}
