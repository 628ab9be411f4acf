#include "TallyfoxWidget/TallyfoxSymbolShape.hpp"

#include <algorithm>

namespace tallyfox {

namespace ui = platform::ui;

namespace {
// The design rectangles (x, y, width, height), in order.
constexpr double designRects[8][4] = {
    {0, 0.13, 18.83, 98.28},  {28.23, 0.14, 9.4, 49.14}, {37.64, 49.27, 9.4, 49.14}, {56.44, 0.13, 4.8, 49.14},
    {61.23, 49.27, 4.8, 49.14}, {75.46, 0, 2.4, 49.36},   {82.12, 49.49, 2.4, 48.91}, {93.96, 0.02, 2.4, 98.28},
};
} // namespace

ui::Path TallyfoxSymbolShape::path(ui::Rect rect) const {
    const double s = std::min(rect.width() / designWidth, rect.height() / designHeight);
    const double x0 = rect.midX() - designWidth * s * 0.5;
    const double y0 = rect.midY() - designHeight * s * 0.5;
    ui::Path p;
    for (const auto& r : designRects) p.addRect(ui::Rect{{x0 + r[0] * s, y0 + r[1] * s}, {r[2] * s, r[3] * s}});
    return p;
}

ui::Shape TallyfoxSymbolShape::shape() const {
    return ui::Shape("TallyfoxSymbolShape", [mark = *this](ui::Rect rect) { return mark.path(rect); });
}

} // namespace tallyfox
