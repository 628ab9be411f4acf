#pragma once
// The usage bar: a capsule track with a fill for the used or remaining share.

#include "model/UsageValues.hpp"
#include "platform/ui/View.hpp"

#include <optional>

namespace tallyfox {

/// The bar's track colour at standard contrast (also the chart's bars for days without activity).
const platform::ui::ShapeStyle& standardTrackColor();
/// The bar's track colour at increased contrast.
const platform::ui::ShapeStyle& increasedContrastTrackColor();

/// The fill of a bar `width` wide and `height` high, or nothing when the shown percentage is 0.
struct UsageBarFill {
    double width;
    platform::ui::ShapeStyle style;
};
std::optional<UsageBarFill> usageBarFill(std::optional<UsagePercentage> usage, UsageAmountStyle style, double width,
                                         double height);

/// The fill colour for a used share: red from 95 %, orange from 85 %, else the accent colour
/// (the share rounded to a whole percent, whatever the amount style).
platform::ui::ShapeStyle usageLevelStyle(UsagePercentage usage);

/// A bar `height` points high over the width it is offered; contrast and amount style come from the
/// environment. Hidden from assistive technology: the rows around it speak the value.
struct UsageProgressView {
    std::optional<UsagePercentage> usage;
    double height = 4;

    platform::ui::View body(const platform::ui::Environment& environment) const;
};

} // namespace tallyfox
