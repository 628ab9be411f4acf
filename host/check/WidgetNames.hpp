#pragma once
// `widgethost names`: the words the widget uses for what `tallyfox status --json` writes as
// identifiers (window kinds and lengths, the reasons limits are unavailable), so that a script over
// the tool's output can show what the widget shows without a table of its own.

#include "host/command/Arguments.hpp"
#include "platform/foundation/Localization.hpp"

#include <cstdint>
#include <cstdio>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace widgethost {

/// The widget's words for the tool's identifiers.
struct WidgetNames {
    using Named = std::pair<std::string, std::string>; ///< the tool's identifier, the widget's words

    std::string language;     ///< the language of the words
    std::vector<Named> kinds; ///< "fiveHour" → "5-hour", "monthly" → "Monthly"
    std::vector<std::pair<std::int64_t, std::string>>
        lengths;                ///< minutes → "5-hour", "30-day", shortest first
    std::vector<Named> reasons; ///< "signInExpired" → "Sign-in expired"

    /// Two columns for people.
    std::string text() const;
    /// `{"language", "kinds", "minutes", "reasons"}`, each an object keyed by the tool's identifier (the
    /// minutes as decimal text), so that jq maps a window with `.minutes["\(.durationMinutes)"] //
    /// .kinds[.kind]` and a reason with `.reasons[.]`.
    std::string json() const;

    bool operator==(const WidgetNames&) const = default;
};

/// The words for the named kinds, the reasons, the five-hour and weekly lengths and `minutes`, looked
/// up in `widgetTable` (the extension's string table; the code's English defaults without one).
WidgetNames widgetNames(const std::optional<platform::foundation::MainBundleInfo>& widgetTable,
                        const std::set<std::int64_t>& minutes);

/// The window lengths in minutes of a snapshot, as the tool reads it; none when it cannot.
std::set<std::int64_t> snapshotWindowLengths(std::string_view bytes);

/// Runs `widgethost names`: the words for the named kinds and reasons and for every window length of
/// the widget's snapshot. Always 0: a snapshot that is missing or unreadable only has no lengths.
int names(const Invocation& invocation, std::FILE* out);

} // namespace widgethost
