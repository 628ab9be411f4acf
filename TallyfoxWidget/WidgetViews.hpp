#pragma once
// The rows and labels the three widget sizes are composed of: the header with the product mark, the
// message shown when there is no data, a row per quota window, a compact row per provider, and the
// small labels inside them. Each is a value; the view system lays it out and draws it.

#include "TallyfoxWidget/ResetTimeFormatter.hpp"
#include "model/ProviderCatalog.hpp"
#include "model/UsageValues.hpp"
#include "platform/foundation/AppGroup.hpp"
#include "platform/foundation/LocalizedString.hpp"
#include "platform/ui/View.hpp"
#include "snapshot/WidgetSnapshot.hpp"

#include <optional>
#include <string>

namespace tallyfox {

/// A text view for a string-table resource, looked up in the view's locale when drawn.
platform::ui::Text localizedText(const platform::foundation::LocalizedStringResource& resource);

/// Whether the entry reports running totals (credits, characters).
bool hasTotals(const WidgetProviderSnapshot& provider);

/// A data time stamp is stale once the moment shown is more than ten minutes after it.
inline constexpr double staleAfterSeconds = platform::foundation::staleAfterSeconds;
/// Whether `now` is strictly more than ten minutes after `updatedAt`.
bool isStale(Date updatedAt, Date now);

/// The whole widget given to a state without data: the header, then a title and an explanation.
struct WidgetMessageView {
    std::string title;   ///< a string-table key (its English text)
    std::string message; ///< a string-table key (its English text)

    platform::ui::View body(const platform::ui::Environment& environment) const;
};

/// The product mark and name, and the age of the data when it is stale.
struct WidgetHeader {
    std::optional<Date> updatedAt; ///< the stale date, or nothing when the data is fresh
    Date now;
    bool compactNote = false; ///< "5 min. ago" instead of "Updated 5 minutes ago"

    platform::ui::View body(const platform::ui::Environment& environment) const;
};

/// A percentage with its unit word, and a warning symbol when a quota is nearly used up.
struct WidgetRemainingLabel {
    std::optional<UsagePercentage> usage;
    platform::ui::Font font;
    bool showsLevelSymbol = false;
    bool compact = false; ///< the short unit word where room is tight

    platform::ui::View body(const platform::ui::Environment& environment) const;
};

/// The symbol shown beside a used share of at least 85 % (rounded): "exclamationmark.triangle.fill"
/// from 95 %, else "exclamationmark.circle.fill"; nothing below. The same whatever the amount style.
std::optional<std::string> levelSymbolName(UsagePercentage usage);

/// One quota window: its title and percentage, the usage bar, and when it resets.
struct WidgetWindowRow {
    UsageWindow window;
    Date now;
    bool showsResetLine = true;
    ResetTimeFormatter formatter;

    platform::ui::View body(const platform::ui::Environment& environment) const;
};

/// Today's tokens or credits, else the first running total; nothing (and no room) without either.
struct WidgetActivityLabel {
    WidgetProviderSnapshot provider;
    bool shortForm = false; ///< "12.8M tokens" instead of "12.8M tokens today"

    platform::ui::View body(const platform::ui::Environment& environment) const;
};

/// The notice for an entry that reports no usage limits.
struct WidgetUnavailableLabel {
    platform::ui::View body(const platform::ui::Environment& environment) const;
};

/// A provider on one line: name, bar, percentage and countdown; or its activity without limits.
struct WidgetProviderRow {
    WidgetProviderSnapshot provider;
    Date now;
    ResetTimeFormatter formatter;

    platform::ui::View body(const platform::ui::Environment& environment) const;
};

/// The provider's logo and name, with a clock when its data is stale.
struct WidgetProviderName {
    ProviderID provider = ProviderID::codex;
    std::optional<std::string> name; ///< shown verbatim; the catalog's display name when absent
    platform::ui::Font font;
    std::optional<Date> updatedAt;
    std::optional<Date> now;

    platform::ui::View body(const platform::ui::Environment& environment) const;
};

/// The accessibility value of a window or provider row: the amount and, with a reset, when it
/// resets ("58% left, Resets in 3 hours, 8 minutes").
std::string usageAccessibilityValue(UsageAmountStyle style, UsagePercentage usage, const std::optional<Date>& resetsAt,
                                    Date now, const ResetTimeFormatter& formatter);

} // namespace tallyfox
