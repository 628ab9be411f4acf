#pragma once
// The entry view: for each timeline entry and widget size, a message or one of the three layouts,
// with the snapshot's language, amount style and the widget's container background applied.

#include "TallyfoxWidget/TallyfoxTimelineProvider.hpp"
#include "platform/ui/View.hpp"

#include <optional>
#include <string_view>

namespace tallyfox {

/// Renders one entry; the widget size comes from the environment.
struct TallyfoxWidgetEntryView {
    TallyfoxWidgetEntry entry;

    platform::ui::View body(const platform::ui::Environment& environment) const;
};

/// The languages the snapshot's `language` can switch the widget to, "system" first.
inline constexpr std::string_view widgetLanguages[] = {"system", "de", "en", "es", "fr", "nl", "uz",
                                                       "pt",     "tr", "kk", "ru", "he", "ja", "ko"};

/// The locale the snapshot's `language` overrides the widget with: nothing for "system", an unknown
/// value or no language.
std::optional<std::string_view> languageOverride(const std::optional<WidgetSnapshot>& snapshot);

/// What the host shows for `entry` in a widget of `family`: the entry view in that family, with the
/// locale and writing direction of the snapshot's language when it names one.
platform::ui::View tallyfoxWidgetContent(const TallyfoxWidgetEntry& entry, platform::ui::WidgetFamily family);

} // namespace tallyfox
