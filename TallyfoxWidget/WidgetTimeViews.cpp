#include "TallyfoxWidget/WidgetTimeViews.hpp"

#include "TallyfoxWidget/ResetTimeFormatter.hpp"

namespace tallyfox {

namespace ui = platform::ui;
using platform::foundation::Date;

namespace {
constexpr double secondsPerDay = 86400;
}

ui::View WidgetCountdown::body(const ui::Environment& environment) const {
    if (!resetsAt || *resetsAt <= now) return ui::Text::verbatim("—");
    if (resetsAt->timeIntervalSince(now) < secondsPerDay) return ui::Text::timer(now, *resetsAt);
    return ui::Text::verbatim(ResetTimeFormatter::autoupdating(environment.locale).weekdayAndTime(*resetsAt));
}

ui::View WidgetResetLabel::body(const ui::Environment& environment) const {
    if (resetsAt <= now)
        return ui::Text::localized("Waiting for update", {}, {},
                                   "Widget: a limit reset, but its new usage has not been read yet");
    if (resetsAt.timeIntervalSince(now) < secondsPerDay)
        return ui::Text::localized("Resets in %@", {ui::textArgument(ui::Text::timer(now, resetsAt))});
    return ui::Text::localized(
        "Resets %@", {ResetTimeFormatter::autoupdating(environment.locale).weekdayAndTime(resetsAt)});
}

ui::View WidgetUpdatedLabel::body(const ui::Environment&) const {
    const ui::Text reference = ui::Text::relative(updatedAt);
    if (compact) return reference;
    return ui::Text::localized("Updated %@", {ui::textArgument(reference)});
}

} // namespace tallyfox
