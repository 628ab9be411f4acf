#include "platform/foundation/ISO8601.hpp"

#include <gtest/gtest.h>

using namespace platform::foundation;

TEST(ISO8601, readsUTCAndNumericOffsetsToTheSameInstant) {
    EXPECT_EQ(ISO8601::date("2026-03-02T10:00:00Z"), Date{1'772'445'600});
    EXPECT_EQ(ISO8601::date("2026-03-02T12:00:00+02:00"), Date{1'772'445'600});
    EXPECT_EQ(ISO8601::date("2026-03-02T04:30:00-05:30"), Date{1'772'445'600});
    EXPECT_EQ(ISO8601::date("1970-01-01T00:00:00Z"), Date{0});
    EXPECT_EQ(ISO8601::date("1969-12-31T23:59:59Z"), Date{-1});
    EXPECT_EQ(ISO8601::date("2024-02-29T00:00:00Z"), Date{1'709'164'800});
}

TEST(ISO8601, refusesEverythingButTheInternetDateTime) {
    for (const char* text : {"", "2026-03-02", "2026-03-02T10:00:00", "2026-03-02 10:00:00Z",
                             "2026-03-02T10:00:00.5Z", "2026-03-02t10:00:00z", "2026-03-02T10:00Z",
                             "2026-13-02T10:00:00Z", "2026-02-29T10:00:00Z", "2026-04-31T10:00:00Z",
                             "2026-03-02T24:00:00Z", "2026-03-02T10:60:00Z", "2026-03-02T10:00:60Z",
                             "2026-03-02T10:00:00+2:00", "2026-03-02T10:00:00+24:00", "2026-03-02T10:00:00+0200",
                             "2026-03-02T10:00:00Z ", "+2026-03-02T10:00:00Z", "2026-3-02T10:00:00Z",
                             "2026-03-00T10:00:00Z", "1772445600"}) {
        EXPECT_FALSE(ISO8601::date(text).has_value()) << text;
    }
}

TEST(ISO8601, writesUTCWholeSecondsDroppingTheFraction) {
    EXPECT_EQ(ISO8601::string(Date{1'772'445'600}), "2026-03-02T10:00:00Z");
    EXPECT_EQ(ISO8601::string(Date{1'772'445'600.999}), "2026-03-02T10:00:00Z");
    EXPECT_EQ(ISO8601::string(Date{-0.5}), "1969-12-31T23:59:59Z");
    EXPECT_EQ(ISO8601::string(Date{951'782'400}), "2000-02-29T00:00:00Z");
    for (double seconds : {0.0, 1'709'164'800.0, 4'102'444'799.0, -2'208'988'800.0})
        EXPECT_EQ(ISO8601::date(ISO8601::string(Date{seconds})), Date{seconds});
}
