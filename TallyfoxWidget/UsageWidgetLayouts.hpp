#pragma once
// The three widget sizes. Each shows the most-used entries that fit (small 3, medium and large 4) in
// snapshot order, under a header that notes the age of stale data.

#include "TallyfoxWidget/ResetTimeFormatter.hpp"
#include "platform/ui/View.hpp"
#include "snapshot/WidgetSnapshot.hpp"

#include <cstddef>
#include <optional>
#include <vector>

namespace tallyfox {

/// How many entries each size shows at most.
inline constexpr std::size_t smallEntryLimit = 3;
inline constexpr std::size_t mediumEntryLimit = 4;
inline constexpr std::size_t largeEntryLimit = 4;
/// How many windows an entry shows at most in the medium and large sizes.
inline constexpr std::size_t windowsPerEntryLimit = 2;

/// The header's stale date: the earliest `updatedAt` among the `limit` most-used entries (the
/// snapshot's `generatedAt` when none has one), when `now` is more than ten minutes after it.
std::optional<Date> staleHeaderDate(const WidgetSnapshot& snapshot, Date now, std::size_t limit);

/// An entry's windows, shortest first (windows of equal length and scope keep their order).
std::vector<UsageWindow> orderedWindows(const WidgetProviderSnapshot& provider);

/// Small: one entry in detail, or up to three compact rows (with the next reset when there are two).
struct SmallUsageWidgetView {
    std::vector<WidgetProviderSnapshot> providers; ///< the selected entries, never empty
    WidgetSnapshot snapshot;                       ///< usage of elapsed windows already cleared
    Date now;
    ResetTimeFormatter formatter;

    platform::ui::View body(const platform::ui::Environment& environment) const;
};

/// Medium: one or two entries as columns side by side; three or more as one row each.
struct MediumUsageWidgetView {
    std::vector<WidgetProviderSnapshot> providers; ///< the selected entries, never empty
    WidgetSnapshot snapshot;
    Date now;

    platform::ui::View body(const platform::ui::Environment& environment) const;
};

/// Large: a block per entry with up to two windows side by side.
struct LargeUsageWidgetView {
    WidgetSnapshot snapshot;
    Date now;

    platform::ui::View body(const platform::ui::Environment& environment) const;
};

} // namespace tallyfox
