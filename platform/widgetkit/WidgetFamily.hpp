#pragma once
// The sizes a widget comes in.

#include "platform/ui/Metrics.hpp"

#include <optional>
#include <string_view>

namespace platform::widgetkit {

/// A widget size on the desktop (the view system's, which sizes and lays out each family). The
/// declaration lists the ones a widget supports.
using WidgetFamily = platform::ui::WidgetFamily;

/// "systemSmall", "systemMedium", "systemLarge".
std::string_view name(WidgetFamily family);
/// The family for its name, or for the short forms "small", "medium" and "large" that hosts accept.
std::optional<WidgetFamily> widgetFamily(std::string_view name);

} // namespace platform::widgetkit
