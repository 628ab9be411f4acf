#pragma once
// The widgets placed on the desktop, each with its kind, size and configuration, kept in the host's
// own user defaults. Several hosts may change them at once: every change is a read, modify and
// write under an exclusive lock on a file beside the defaults, and the write replaces the file
// atomically, so no change is lost and no reader sees half of one.

#include "host/identity/HostIdentity.hpp"
#include "platform/foundation/Result.hpp"
#include "platform/widgetkit/Widget.hpp"

#include <cstdint>
#include <functional>
#include <optional>
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

/// The placed widgets, by number: those that can be read.
std::vector<PlacedWidget> placedWidgets();

/// A text with "%@" where each argument goes, so that `show` can say it in the host's language;
/// `message()` is the English line the commands print.
struct PlacementMessage {
    std::string key;
    std::vector<std::string> arguments;
    std::string message() const;
    bool operator==(const PlacementMessage&) const = default;
};

/// Why the placed widgets could not be changed.
using PlacementFailure = PlacementMessage;

/// The placed widgets that can be read, and why the store cannot be read whole when it cannot.
struct PlacedWidgetsReading {
    std::vector<PlacedWidget> widgets;
    std::optional<PlacementMessage> problem;
};

/// Reads the placed widgets without changing anything.
PlacedWidgetsReading readPlacedWidgets();

/// What a change did to the placed widgets.
struct PlacementChange {
    std::vector<PlacedWidget> widgets;
    std::int64_t nextNumber = 1;
};

/// What a saved change has to tell: where a store that could not be read was kept.
struct PlacementSaved {
    std::optional<PlacementMessage> note;
};

/// Runs `change` on the placed widgets under the lock and saves what it leaves. `change` returns an
/// error message to leave everything as it was. Fails when the lock or the file cannot be had. A
/// store that cannot be read whole is kept beside it before the new one is written, and numbers go
/// on above every number it still shows, and above every number this lock has seen given.
platform::foundation::Result<PlacementSaved, PlacementFailure>
changePlacedWidgets(const std::function<std::optional<std::string>(PlacementChange&)>& change);

} // namespace widgethost
