#pragma once
// The platform's numbers in one table: widget sizes and margins, text styles, colours and fonts.
// Views name roles ("caption", "secondary", "small"); these are the values the platform gives them.

#include "platform/ui/Color.hpp"
#include "platform/ui/Font.hpp"
#include "platform/ui/Geometry.hpp"

#include <string>
#include <string_view>

namespace platform::ui {

enum class WidgetFamily { systemSmall, systemMedium, systemLarge };
enum class ColorScheme { light, dark };
enum class ColorSchemeContrast { standard, increased };

struct TextStyleMetrics {
    double size;
    FontWeight defaultWeight;
    double lineHeight;
};

struct AppearanceColor {
    Color light;
    Color dark;
};

namespace metrics {

/// The widget's size in points for `family`.
Size widgetSize(WidgetFamily family);
/// Content margins of a widget, the same on every side.
inline constexpr double widgetContentMargin = 16;
/// Corner radius of the widget's container (continuous corners).
inline constexpr double widgetCornerRadius = 22;
/// Scale factor of PNG renderings unless one is given.
inline constexpr double defaultScaleFactor = 2;
/// The gap between stack children when no spacing is given.
inline constexpr double defaultStackSpacing = 8;
/// The length a shape, geometry reader or spacer takes along an axis that is offered nothing.
inline constexpr double defaultFlexibleLength = 10;

/// Size, default weight and line height of a text style.
TextStyleMetrics textStyle(TextStyle style);

/// A hierarchical level's colour for the appearance and contrast.
Color hierarchicalColor(HierarchicalLevel level, ColorScheme scheme, ColorSchemeContrast contrast);
/// A system colour for the appearance.
Color systemColor(SystemColor color, ColorScheme scheme);

/// The family list Pango is asked for, with the locale's CJK face first for Japanese and Korean.
std::string fontFamilies(std::string_view localeIdentifier);

} // namespace metrics
} // namespace platform::ui
