#pragma once
// When a live widget looks at the clock again: the entry in effect, whether its timeline is due for
// a reload, and the next moment at which anything it shows can change. Pure values, so the rules are
// tested without a window.

#include "platform/foundation/Date.hpp"
#include "platform/ui/Rendering.hpp"
#include "platform/widgetkit/Timeline.hpp"

#include <cstddef>
#include <optional>
#include <vector>

namespace widgethost {

using platform::foundation::Date;

/// What a live host knows of one widget's timeline.
struct TimelineState {
    std::vector<Date> entryDates; ///< ascending, as the provider gave them
    platform::widgetkit::TimelineReloadPolicy policy;
    Date requestedAt; ///< the platform clock when it was asked for
};

/// What to do at `now`.
struct LivePlan {
    std::size_t entryIndex = 0; ///< the entry in effect (the first one before they all begin)
    bool reloadDue = false;     ///< ask for a new timeline now
    Date nextWake;              ///< look again then (never more than `longestSleep` ahead)
};

/// The longest a live host sleeps without reading the wall clock: a machine that slept or a clock
/// that was set shows the right entry within this time.
inline constexpr double longestSleep = 60;
/// The least time between two reloads the timeline asks for itself (a reload date in the past or
/// at the end of a one-entry timeline would otherwise ask again at once).
inline constexpr double shortestReloadInterval = 60;
/// How far back the clock may go before a timeline counts as made for a future that is not coming.
inline constexpr double clockSetBackTolerance = 2;
/// Wakes come this long after the moment they wait for, so that the clock has surely passed it.
inline constexpr double wakeMargin = 0.005;

/// The plan for a widget showing `state` at `now` whose live texts change as `live` says (`none`
/// while it is not shown). With no timeline yet, only the clock check is planned.
LivePlan planAt(const TimelineState& state, Date now, platform::ui::LiveTextUpdates live);

/// The date at which the timeline asks to be reloaded, if it asks at all.
std::optional<Date> reloadDate(const TimelineState& state);

} // namespace widgethost
