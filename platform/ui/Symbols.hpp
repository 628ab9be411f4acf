#pragma once
// Internal: the platform's symbol images, drawn from the icon fonts of two Debian packages (looked
// up by codepoint in the packages' own name lists) or drawn as paths.

#include "platform/ui/Color.hpp"
#include "platform/ui/Font.hpp"
#include "platform/ui/Geometry.hpp"

#include <string>

typedef struct _cairo cairo_t;

namespace platform::ui::detail {

/// Draws the symbol fitted into `box`; an unknown name draws nothing and is logged once.
void drawSymbol(cairo_t* cr, const std::string& name, Rect box, FontWeight weight, const Color& color);

/// Where a symbol comes from, for dumps: "Material Icons U+E8B5", "drawn", "unknown".
std::string symbolSourceDescription(const std::string& name);

} // namespace platform::ui::detail
