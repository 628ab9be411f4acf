#pragma once
// The three small views that show times: the bare countdown, the reset sentence and the age of data.
// They set no font or colour of their own; the rows around them do.

#include "platform/foundation/Date.hpp"
#include "platform/ui/View.hpp"

#include <optional>

namespace tallyfox {

/// "—" without a reset or once it has passed; a live timer within a day; else weekday and time.
struct WidgetCountdown {
    std::optional<platform::foundation::Date> resetsAt;
    platform::foundation::Date now;

    platform::ui::View body(const platform::ui::Environment& environment) const;
};

/// "Waiting for update" once the reset has passed; "Resets in " and a live timer within a day;
/// else "Resets " and the weekday and time. Looked up in the view's locale.
struct WidgetResetLabel {
    platform::foundation::Date resetsAt;
    platform::foundation::Date now;

    platform::ui::View body(const platform::ui::Environment& environment) const;
};

/// A live relative reference to `updatedAt` ("5 minutes ago"), measured against the instant the
/// platform renders at; unless compact, preceded by "Updated ".
struct WidgetUpdatedLabel {
    platform::foundation::Date updatedAt;
    platform::foundation::Date now;
    bool compact = false;

    platform::ui::View body(const platform::ui::Environment& environment) const;
};

} // namespace tallyfox
