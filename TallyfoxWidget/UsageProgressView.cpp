#include "TallyfoxWidget/UsageProgressView.hpp"

#include "TallyfoxWidget/WidgetEnvironment.hpp"

#include <cmath>
#include <string>

namespace tallyfox {

namespace ui = platform::ui;

const ui::ShapeStyle& standardTrackColor() {
    // Made once, on first use, for the life of the process (function-local statics are
    // initialised exactly once even when two threads ask at the same time).
    static const ui::ShapeStyle color = ui::ShapeStyle::dynamic({ui::Color{0, 0, 0, 0.08}, ui::Color{1, 1, 1, 0.13}});
    return color;
}

const ui::ShapeStyle& increasedContrastTrackColor() {
    static const ui::ShapeStyle color = ui::ShapeStyle::dynamic({ui::Color{0, 0, 0, 0.22}, ui::Color{1, 1, 1, 0.32}});
    return color;
}

ui::ShapeStyle usageLevelStyle(UsagePercentage usage) {
    const double p = std::round(usage.value); // halves away from zero
    if (p >= 95) return ui::ShapeStyle::red();
    if (p >= 85) return ui::ShapeStyle::orange();
    return ui::ShapeStyle::accent();
}

std::optional<UsageBarFill> usageBarFill(std::optional<UsagePercentage> usage, UsageAmountStyle style, double width,
                                         double height) {
    if (!usage) return std::nullopt;
    const int used = displayedUsedPercent(*usage);
    const int shown = style == UsageAmountStyle::used ? used : 100 - used;
    if (shown <= 0) return std::nullopt;
    const double v = usage->value;
    const double fraction = style == UsageAmountStyle::used ? v / 100 : 1 - v / 100;
    return UsageBarFill{std::max(width * fraction, height), usageLevelStyle(*usage)};
}

ui::View UsageProgressView::body(const ui::Environment& environment) const {
    const bool increased = environment.colorSchemeContrast == ui::ColorSchemeContrast::increased;
    const ui::ShapeStyle track = increased ? increasedContrastTrackColor() : standardTrackColor();
    const auto style = environment.value<UsageAmountStyleKey>();
    const auto shownUsage = usage;
    const double barHeight = height;
    ui::View bar = ui::GeometryReader([=](ui::Size size) {
                       std::vector<ui::View> layers{ui::Capsule(ui::RoundedCornerStyle::continuous).fill(track)};
                       if (auto fill = usageBarFill(shownUsage, style, size.width, barHeight))
                           layers.push_back(ui::Capsule(ui::RoundedCornerStyle::continuous)
                                                .fill(fill->style)
                                                .frame(fill->width, barHeight));
                       return ui::ZStack(ui::Alignment::leading, std::move(layers));
                   }).frame(std::nullopt, height);
    if (increased)
        bar =
            bar.overlay(ui::Capsule(ui::RoundedCornerStyle::continuous).strokeBorder(ui::ShapeStyle::secondary(), 0.5));
    return bar.animation(ui::Animation::spring(0.35, 1.0, 0), usage ? std::to_string(usage->value) : "nil")
        .accessibilityHidden();
}

} // namespace tallyfox
