#pragma once
// What an entry shows, in words, for hosts that list a timeline: a message by its title, or the
// family's layout with the display titles of the entries it shows.

#include "TallyfoxWidget/TallyfoxTimelineProvider.hpp"
#include "platform/widgetkit/Widget.hpp"

#include <cstddef>
#include <memory>
#include <mutex>

namespace tallyfox {

/// How many entries the layout of `family` shows at most.
std::size_t entryLimit(platform::ui::WidgetFamily family);

/// Summarises entries one after another. A timeline's entries share one snapshot and differ only in
/// the moment up to which usage is cleared, so the summariser keeps the ranking of the last entry
/// and, for a later entry of the same snapshot, re-ranks only the entries whose windows reset in
/// between: a day of entries costs little more than one (a full ranking per entry would cost the
/// number of entries times the number of windows). Copies share their state; safe from any thread.
class EntrySummarizer {
public:
    EntrySummarizer();
    platform::widgetkit::EntrySummary operator()(const TallyfoxWidgetEntry& entry,
                                                 platform::ui::WidgetFamily family) const;

private:
    struct Sweep;
    struct State {
        std::mutex mutex;
        std::unique_ptr<Sweep> sweep; // of the last snapshot summarised
    };
    std::shared_ptr<State> state_;
};

} // namespace tallyfox
