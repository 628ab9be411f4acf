#pragma once
// What a widget's timeline provider hands the host: dated entries and when to ask again.

#include "platform/foundation/Date.hpp"
#include "platform/widgetkit/WidgetFamily.hpp"

#include <concepts>
#include <future>
#include <utility>
#include <vector>

namespace platform::widgetkit {

using platform::foundation::Date;

/// An entry of a timeline: any value with a `date` from which the host shows it.
template <class E>
concept TimelineEntry = std::copy_constructible<E> && requires(const E& entry) {
    { entry.date } -> std::convertible_to<Date>;
};

/// When the host asks the provider for a new timeline.
struct TimelineReloadPolicy {
    enum class Kind {
        atEnd, ///< after the last entry's date
        after, ///< after `date`
        never, ///< only when the app asks the host to reload
    };
    Kind kind = Kind::atEnd;
    Date date{}; ///< meaningful for `after` only

    static TimelineReloadPolicy atEnd() { return {Kind::atEnd, {}}; }
    static TimelineReloadPolicy after(Date date) { return {Kind::after, date}; }
    static TimelineReloadPolicy never() { return {Kind::never, {}}; }

    bool operator==(const TimelineReloadPolicy&) const = default;
};

/// Entries in ascending date order and the reload policy. The host shows each entry from its date
/// until the next one's; after the last, the last stays.
template <TimelineEntry Entry> struct Timeline {
    std::vector<Entry> entries;
    TimelineReloadPolicy policy;
};

/// What the host tells a provider about the widget it asks for.
struct TimelineProviderContext {
    struct Size {
        double width = 0;
        double height = 0;
        bool operator==(const Size&) const = default;
    };
    WidgetFamily family = WidgetFamily::systemMedium;
    bool isPreview = false; ///< the widget gallery asks, not a placed widget
    Size displaySize;
};

/// A timeline provider configured by an intent. `snapshot` and `timeline` are asynchronous requests:
/// the host issues them on its own threads, several at a time, so they must be safe to call
/// concurrently on one provider. `placeholder` is answered at once and should not read slow data.
template <class P>
concept AppIntentTimelineProvider =
    TimelineEntry<typename P::Entry> &&
    requires(const P& provider, const typename P::Intent& configuration, const TimelineProviderContext& context) {
        { provider.placeholder(context) } -> std::same_as<typename P::Entry>;
        { provider.snapshot(configuration, context) } -> std::same_as<typename P::Entry>;
        { provider.timeline(configuration, context) } -> std::same_as<Timeline<typename P::Entry>>;
    };

/// Issues a timeline request on a thread of its own, as the host does.
template <AppIntentTimelineProvider P>
std::future<Timeline<typename P::Entry>> requestTimeline(const P& provider, typename P::Intent configuration,
                                                         TimelineProviderContext context) {
    return std::async(std::launch::async, [&provider, configuration = std::move(configuration), context] {
        return provider.timeline(configuration, context);
    });
}

/// Issues a snapshot request on a thread of its own, as the host does.
template <AppIntentTimelineProvider P>
std::future<typename P::Entry> requestSnapshot(const P& provider, typename P::Intent configuration,
                                               TimelineProviderContext context) {
    return std::async(std::launch::async, [&provider, configuration = std::move(configuration), context] {
        return provider.snapshot(configuration, context);
    });
}

/// The entry a timeline shows at `date`: the last one whose date is not after it, or the first entry
/// when `date` precedes them all. Nothing for an empty timeline.
template <TimelineEntry Entry> const Entry* entryInEffect(const Timeline<Entry>& timeline, Date date) {
    if (timeline.entries.empty()) return nullptr;
    const Entry* current = &timeline.entries.front();
    for (const Entry& entry : timeline.entries) {
        if (Date(entry.date) > date) break;
        current = &entry;
    }
    return current;
}

} // namespace platform::widgetkit
