#include "platform/widgetkit/Timeline.hpp"

#include <gtest/gtest.h>

using namespace platform::widgetkit;

namespace {

struct Entry {
    Date date;
    int value = 0;
};

struct CountingProvider {
    using Entry = ::Entry;
    using Intent = int;
    Entry placeholder(const TimelineProviderContext&) const { return {Date{0}, -1}; }
    Entry snapshot(const Intent& intent, const TimelineProviderContext&) const { return {Date{0}, intent}; }
    Timeline<Entry> timeline(const Intent& intent, const TimelineProviderContext&) const {
        return {{{Date{10}, intent}, {Date{20}, intent + 1}}, TimelineReloadPolicy::after(Date{30})};
    }
};
static_assert(AppIntentTimelineProvider<CountingProvider>);

} // namespace

TEST(Timeline, showsTheLastEntryWhoseDateHasCome) {
    const Timeline<Entry> timeline{{{Date{10}, 1}, {Date{20}, 2}, {Date{30}, 3}}, TimelineReloadPolicy::atEnd()};
    EXPECT_EQ(entryInEffect(timeline, Date{5})->value, 1); // before every entry: the first
    EXPECT_EQ(entryInEffect(timeline, Date{20})->value, 2);
    EXPECT_EQ(entryInEffect(timeline, Date{29.5})->value, 2);
    EXPECT_EQ(entryInEffect(timeline, Date{1e9})->value, 3);
    EXPECT_EQ(entryInEffect(Timeline<Entry>{}, Date{5}), nullptr);
}

TEST(Timeline, requestsRunOnAnotherThreadAndKeepTheirConfiguration) {
    const CountingProvider provider;
    auto timeline = requestTimeline(provider, 7, {}).get();
    ASSERT_EQ(timeline.entries.size(), 2u);
    EXPECT_EQ(timeline.entries[1].value, 8);
    EXPECT_EQ(timeline.policy, TimelineReloadPolicy::after(Date{30}));
    EXPECT_EQ(requestSnapshot(provider, 3, {}).get().value, 3);
}

