// When a live widget looks at the clock again, and what it finds then.
#include "host/hosting/LiveSchedule.hpp"

#include <gtest/gtest.h>

namespace widgethost {
namespace {

using platform::ui::LiveTextUpdates;
using platform::widgetkit::TimelineReloadPolicy;

constexpr double t0 = 1'800'000'000; // a whole minute
Date at(double offset) {
    return Date{t0 + offset};
}

TimelineState timeline(std::vector<double> offsets, TimelineReloadPolicy policy) {
    TimelineState state{{}, policy, at(0)};
    for (double offset : offsets)
        state.entryDates.push_back(at(offset));
    return state;
}

TEST(LiveSchedule, showsEachEntryFromItsDateAndWakesForTheNext) {
    const auto state = timeline({0, 30, 601}, TimelineReloadPolicy::after(at(90)));
    auto plan = planAt(state, at(0.2), LiveTextUpdates::none);
    EXPECT_EQ(plan.entryIndex, 0u);
    EXPECT_FALSE(plan.reloadDue);
    EXPECT_NEAR(plan.nextWake.timeIntervalSince(at(30)), wakeMargin, 1e-6);
    // At the entry's date exactly, it is in effect.
    EXPECT_EQ(planAt(state, at(30), LiveTextUpdates::none).entryIndex, 1u);
    // Before the first entry the first one shows; after the last, the last one stays.
    EXPECT_EQ(planAt(state, at(-1), LiveTextUpdates::none).entryIndex, 0u);
    plan = planAt(state, at(700), LiveTextUpdates::none);
    EXPECT_EQ(plan.entryIndex, 2u);
    EXPECT_TRUE(plan.reloadDue);
}

TEST(LiveSchedule, reloadsAtThePolicysDateButNeverSoonerThanAMinuteAfterAsking) {
    auto plan = planAt(timeline({0}, TimelineReloadPolicy::after(at(300))), at(200), LiveTextUpdates::none);
    EXPECT_FALSE(plan.reloadDue);
    EXPECT_NEAR(plan.nextWake.timeIntervalSince(at(260)), 0,
                1e-6); // the clock is read at least once a minute
    EXPECT_TRUE(planAt(timeline({0}, TimelineReloadPolicy::after(at(300))), at(300), LiveTextUpdates::none)
                    .reloadDue);
    // A date in the past, or the end of a timeline of one entry, waits a minute from the request.
    for (const auto policy : {TimelineReloadPolicy::after(at(-5)), TimelineReloadPolicy::atEnd()}) {
        const auto state = timeline({0}, policy);
        EXPECT_EQ(reloadDate(state), at(shortestReloadInterval));
        EXPECT_FALSE(planAt(state, at(10), LiveTextUpdates::none).reloadDue);
        EXPECT_TRUE(planAt(state, at(60), LiveTextUpdates::none).reloadDue);
    }
    EXPECT_EQ(reloadDate(timeline({0, 120, 400}, TimelineReloadPolicy::atEnd())), at(400));
    const auto never = timeline({0}, TimelineReloadPolicy::never());
    EXPECT_EQ(reloadDate(never), std::nullopt);
    EXPECT_FALSE(planAt(never, at(86400), LiveTextUpdates::none).reloadDue);
}

TEST(LiveSchedule, aClockSetBackOrForwardIsNoticedWithinAMinute) {
    const auto state = timeline({0, 3600}, TimelineReloadPolicy::after(at(900)));
    // Every plan looks at the clock again within a minute, whatever it waits for.
    EXPECT_LE(planAt(state, at(10), LiveTextUpdates::none).nextWake.timeIntervalSince(at(10)), longestSleep);
    // Woken after a long sleep: the entry of the new time, and the overdue reload.
    const auto woken = planAt(state, at(4000), LiveTextUpdates::none);
    EXPECT_EQ(woken.entryIndex, 1u);
    EXPECT_TRUE(woken.reloadDue);
    // Set back before the moment the timeline was made for: it is made again.
    EXPECT_TRUE(planAt(state, at(-600), LiveTextUpdates::none).reloadDue);
    EXPECT_FALSE(planAt(state, at(-1), LiveTextUpdates::none).reloadDue);
}

TEST(LiveSchedule, liveTextsWakeOnTheNextSecondOrMinuteAndNothingLiveWakesOnlyForTheClockCheck) {
    const auto state = timeline({0}, TimelineReloadPolicy::never());
    EXPECT_NEAR(planAt(state, at(12.4), LiveTextUpdates::everySecond).nextWake.timeIntervalSince(at(13)),
                wakeMargin, 1e-6);
    EXPECT_NEAR(planAt(state, at(12.4), LiveTextUpdates::everyMinute).nextWake.timeIntervalSince(at(60)),
                wakeMargin, 1e-6);
    EXPECT_NEAR(planAt(state, at(12.4), LiveTextUpdates::none).nextWake.timeIntervalSince(at(72.4)), 0, 1e-6);
    // Without a timeline yet there is nothing to show, only the clock to read.
    const auto empty =
        planAt(TimelineState{{}, TimelineReloadPolicy::never(), at(0)}, at(5), LiveTextUpdates::none);
    EXPECT_EQ(empty.entryIndex, 0u);
    EXPECT_FALSE(empty.reloadDue);
}

} // namespace
} // namespace widgethost
