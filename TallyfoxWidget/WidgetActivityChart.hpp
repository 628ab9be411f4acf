#pragma once
// The small bar chart of recent daily activity.

#include "platform/ui/View.hpp"

#include <vector>

namespace tallyfox {

/// The height of a day's bar in a chart `chartHeight` high: at least 2.5 points for any activity,
/// 1 point (a track-coloured stub) for none, never more than the chart. Values are fractions of the
/// chart's height, unscaled.
double activityBarHeight(double value, double chartHeight);

/// One bar per day, in order, bottom-aligned, 1.5 points apart, sharing the width equally; the last
/// (most recent) day at full accent colour, the others at 0.45.
struct WidgetActivityChart {
    std::vector<double> days;
    double height = 12;

    platform::ui::View body(const platform::ui::Environment& environment) const;
};

} // namespace tallyfox
