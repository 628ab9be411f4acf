#include "platform/foundation/Date.hpp"

#include <gtest/gtest.h>

using namespace platform::foundation;

TEST(Clock, fixedDateWinsOverTheSystemTimeUntilReleased) {
    Clock::setFixedNow(Date{1'772'445'600});
    EXPECT_EQ(Clock::now(), Date{1'772'445'600});
    Clock::setOffset(3600);
    EXPECT_EQ(Clock::now(), Date{1'772'445'600}) << "an offset does not move a fixed clock";
    Clock::setFixedNow(std::nullopt);
    const Date moved = Clock::now();
    Clock::setOffset(0);
    const Date running = Clock::now();
    EXPECT_GT(moved.timeIntervalSince(running), 3500);
}

TEST(Date, arithmeticAndOrder) {
    const Date a{100}, b = a.addingTimeInterval(2.5);
    EXPECT_DOUBLE_EQ(b.timeIntervalSince(a), 2.5);
    EXPECT_LT(a, b);
}
