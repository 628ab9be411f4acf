#pragma once
// Where a widget goes on the desktop: the column new widgets fill, the output a widget shows on, and
// keeping the whole widget on that output. The surfaces ask the desktop what it offers and decide
// here, so that these rules hold alike on every desktop and are tested without one.

#include "host/stored/WindowPositions.hpp"
#include "platform/ui/Geometry.hpp"

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace widgethost {

/// A part of an output, in logical pixels from its top-left corner: the whole output, or the part
/// a shell leaves to windows and widgets.
struct OutputArea {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const OutputArea&) const = default;
};

/// Where widget `number` of `widgets` (in the order they were placed, with their sizes in points)
/// goes on an output of `width` × `height` when it was never moved: a column down the right edge,
/// 24 points in and 12 apart, and a new column to the left of the last where a widget would run off
/// the bottom.
WindowPosition columnPosition(const std::vector<std::pair<std::int64_t, platform::ui::Size>>& widgets,
                              std::int64_t number, int width, int height);

/// The output a widget shows on, of `outputs` (as the desktop lists them): the one it belongs on when
/// that is there, else the one it is on (`current`) while that is still there, else the first.
/// Empty when there is no output at all.
std::string outputFor(const KeptPlace& kept, const std::vector<std::string>& outputs, const std::string& current);

/// Where a widget goes on `output` (`area` of it): the place kept for that output, else the place
/// new widgets get in an area of that size (`newPlace`, asked only then), from the area's corner.
WindowPosition placeFor(const KeptPlace& kept, const std::string& output, const OutputArea& area,
                        const std::function<WindowPosition(int width, int height)>& newPlace);

/// `place` moved as little as keeps a widget of `width` × `height` within `area`, its top-left
/// corner first where the area is smaller than the widget. An area without width (or height) keeps
/// no bounds in that direction: its output's size is not known yet.
WindowPosition keptWithin(WindowPosition place, int width, int height, const OutputArea& area);

/// A logical place on a monitor (`monitor`: where the monitor is in the screen's logical pixels,
/// shown at `scale`) in the screen's device pixels, as X11 counts them.
WindowPosition screenPosition(WindowPosition logical, const OutputArea& monitor, int scale);

} // namespace widgethost
