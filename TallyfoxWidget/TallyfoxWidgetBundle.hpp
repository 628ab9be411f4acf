#pragma once
// The extension's top level: the one widget it declares, and the bundle its entry point starts with.

#include "TallyfoxWidget/TallyfoxTimelineProvider.hpp"
#include "TallyfoxWidget/WidgetSelectionIntent.hpp"
#include "platform/foundation/Bundle.hpp"
#include "platform/widgetkit/Widget.hpp"

#include <optional>
#include <string>
#include <vector>

namespace tallyfox {

/// The widget of kind "TallyfoxWidget": configured by `WidgetSelectionIntent`, fed by a
/// `TallyfoxTimelineProvider`, each entry shown by the entry view; small, medium and large.
struct TallyfoxWidget {
    static constexpr const char* kind = "TallyfoxWidget";

    platform::widgetkit::AppIntentConfiguration<TallyfoxTimelineProvider, WidgetSourceEntity> body() const;
};

/// The extension's widgets: `TallyfoxWidget` alone.
struct TallyfoxWidgetBundle {
    std::vector<platform::widgetkit::WidgetConfiguration> body() const;
};
static_assert(platform::widgetkit::Widget<TallyfoxWidget>);
static_assert(platform::widgetkit::WidgetBundle<TallyfoxWidgetBundle>);

/// The gallery's name for the widget: the bundle's CFBundleDisplayName when it is a string, shown
/// verbatim; "Tallyfox" otherwise.
std::string widgetDisplayName(const std::optional<platform::foundation::Bundle>& bundle);

} // namespace tallyfox
