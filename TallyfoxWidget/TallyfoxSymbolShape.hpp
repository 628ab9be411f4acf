#pragma once
// The product mark: eight filled rectangles, centred and scaled into any rectangle.

#include "platform/ui/Path.hpp"
#include "platform/ui/View.hpp"

namespace tallyfox {

struct TallyfoxSymbolShape {
    /// The box the mark is designed in.
    static constexpr double designWidth = 96.36;
    static constexpr double designHeight = 98.41;
    /// The mark's natural width-to-height ratio.
    static constexpr double aspectRatio = designWidth / designHeight;

    /// The mark scaled to fit `rect` and centred in it (filled with the non-zero rule).
    platform::ui::Path path(platform::ui::Rect rect) const;
    /// The mark as a shape view.
    platform::ui::Shape shape() const;
};

} // namespace tallyfox
