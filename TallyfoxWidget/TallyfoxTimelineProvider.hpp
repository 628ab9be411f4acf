#pragma once
// What the widget host asks for: a placeholder, one entry for now, or a day of entries that change
// exactly when something visible changes (a reset, a reset coming within a day, data going stale).

#include "TallyfoxWidget/WidgetSelectionIntent.hpp"
#include "platform/widgetkit/Timeline.hpp"
#include "snapshot/WidgetSnapshot.hpp"
#include "snapshot/WidgetSnapshotStore.hpp"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tallyfox {

/// One timeline entry: the snapshot as it is to be shown from `date` on. The views use `date` as their
/// "now". Copies share the decoded snapshot.
struct TallyfoxWidgetEntry {
    Date date;
    std::optional<WidgetSnapshot> snapshot; ///< absent when no snapshot could be read

    bool operator==(const TallyfoxWidgetEntry&) const = default;
};

/// The widget's timeline provider. It keeps nothing between requests: every request reads the
/// snapshot file afresh and the clock once. Requests may run on any thread, several at a time.
struct TallyfoxTimelineProvider {
    using Entry = TallyfoxWidgetEntry;
    using Intent = WidgetSelectionIntent;

    std::optional<WidgetSnapshotStore> store; ///< absent without a group container: no snapshot ever
    std::function<Date()> now;                ///< the clock

    /// The widget's provider: a store for the group container (when there is one) and the platform clock.
    static TallyfoxTimelineProvider make();

    /// The snapshot as it is, at `now`: no selection, language or clearing.
    Entry placeholder(const platform::widgetkit::TimelineProviderContext& context) const;
    /// One entry at `now`, configured and cleared.
    Entry snapshot(const Intent& configuration, const platform::widgetkit::TimelineProviderContext& context) const;
    /// Entries for the next 24 hours, and a reload one minute after the next reset (1 to 15 minutes ahead).
    platform::widgetkit::Timeline<Entry> timeline(const Intent& configuration,
                                                  const platform::widgetkit::TimelineProviderContext& context) const;
};
static_assert(platform::widgetkit::AppIntentTimelineProvider<TallyfoxTimelineProvider>);

/// The snapshot narrowed to `wanted` (or, when that is empty, to the app's followed entries), in that
/// order, first occurrence of each identifier only, unknown identifiers dropped; the state becomes
/// `providers`. With no wanted and no followed list the snapshot is returned unchanged. Identifiers
/// compare case-sensitively, canonically equivalent Unicode counting as equal.
WidgetSnapshot selecting(const WidgetSnapshot& snapshot, const std::vector<std::string>& wanted);

/// The snapshot with no usage on windows that reset at or before `date`.
WidgetSnapshot clearingElapsedUsage(const WidgetSnapshot& snapshot, Date date);

/// The earliest reset strictly after `date`, with the provider it belongs to (the earlier-listed
/// provider on equal dates).
struct NextReset {
    ProviderID provider;
    Date date;
    bool operator==(const NextReset&) const = default;
};
std::optional<NextReset> nextReset(const WidgetSnapshot& snapshot, Date date);

// The steps of a timeline request.

/// `now`, and every moment within the next 24 hours at which the picture changes: each reset, one
/// second under a day before each reset, and 601 seconds after each data time stamp. Ascending, unique.
std::vector<Date> entryDates(Date now, const std::optional<WidgetSnapshot>& snapshot);
/// One minute after the next reset, kept between one and fifteen minutes from `now`.
Date nextReloadDate(Date now, const std::optional<WidgetSnapshot>& snapshot);
/// Makes the snapshot's language the extension's preferred language ("AppleLanguages").
void applyLanguagePreference(const std::optional<WidgetSnapshot>& snapshot);

} // namespace tallyfox
