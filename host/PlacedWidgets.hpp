#pragma once
// The widgets placed on the desktop, each with its kind, size and configuration, kept in the host's
// own user defaults. Several hosts may change them at once: every change is a read, modify and
// write under an exclusive lock on a file beside the defaults, and the write replaces the file
// atomically, so no change is lost and no reader sees half of one.

#include "platform/foundation/Result.hpp"
#include "platform/widgetkit/Widget.hpp"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace widgethost {

/// One placed widget.
struct PlacedWidget {
    std::int64_t number = 0; ///< never reused once given
    std::string kind;
    platform::ui::WidgetFamily family = platform::ui::WidgetFamily::systemMedium;
    platform::widgetkit::IntentConfiguration configuration;

    bool operator==(const PlacedWidget&) const = default;
};

/// The host's user-defaults domain.
inline constexpr std::string_view hostDefaultsDomain = "com.tallyfox.widgethost";

/// The placed widgets, by number.
std::vector<PlacedWidget> placedWidgets();

/// What a change did to the placed widgets.
struct PlacementChange {
    std::vector<PlacedWidget> widgets;
    std::int64_t nextNumber = 1;
};

/// Why the placed widgets could not be changed: a text with "%@" where each argument goes, so that
/// `show` can say it in the host's language; `message()` is the English line the commands print.
struct PlacementFailure {
    std::string key;
    std::vector<std::string> arguments;
    std::string message() const;
};

/// Runs `change` on the placed widgets under the lock and saves what it leaves. `change` returns an
/// error message to leave everything as it was. Fails when the lock or the file cannot be had.
platform::foundation::Result<platform::foundation::Success, PlacementFailure>
changePlacedWidgets(const std::function<std::optional<std::string>(PlacementChange&)>& change);

} // namespace widgethost
