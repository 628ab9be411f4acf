#include "TallyfoxWidget/WidgetActivityChart.hpp"

#include "TallyfoxWidget/UsageProgressView.hpp"

#include <cmath>

namespace tallyfox {

namespace ui = platform::ui;

double activityBarHeight(double value, double chartHeight) {
    // A value that is not a finite number counts as no activity rather than an endless bar.
    if (!std::isfinite(value) || value <= 0) return 1;
    // A value above 1 would stand taller than the chart and run into the texts above it.
    return std::min(chartHeight, std::max(2.5, chartHeight * value));
}

ui::View WidgetActivityChart::body(const ui::Environment&) const {
    std::vector<ui::View> bars;
    bars.reserve(days.size());
    for (std::size_t i = 0; i < days.size(); ++i) {
        const double value = days[i];
        const bool active = std::isfinite(value) && value > 0;
        const ui::ShapeStyle style = !active ? standardTrackColor()
                                     : i + 1 == days.size() ? ui::ShapeStyle::accent()
                                                            : ui::ShapeStyle::accent().opacity(0.45);
        bars.push_back(ui::RoundedRectangle(1, ui::RoundedCornerStyle::continuous)
                           .fill(style)
                           .frame(std::nullopt, activityBarHeight(value, height)));
    }
    return ui::HStack(ui::VerticalAlignment::bottom, 1.5, std::move(bars))
        .frame(ui::FrameBounds{.maxWidth = ui::infinity, .minHeight = height, .maxHeight = height,
                               .alignment = ui::Alignment::bottom})
        .accessibilityElement(ui::AccessibilityChildBehavior::ignore)
        .accessibilityLabel(ui::Text::localized("Activity, last 14 days"));
}

} // namespace tallyfox
