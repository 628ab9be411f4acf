#pragma once
// A provider's logo: its image asset when the widget ships one, else its symbol.

#include "model/ProviderCatalog.hpp"
#include "platform/ui/View.hpp"

namespace tallyfox {

/// Fitted into the frame it is offered, keeping its aspect ratio. An asset's tile gets a hairline
/// edge that stands out from the widget's background in either appearance, so that tiles as dark
/// as the dark background keep their square.
struct ProviderLogo {
    ProviderID provider;

    /// The edge's line width in points and its colour per appearance.
    static constexpr double edgeWidth = 0.75;
    static platform::ui::ShapeStyle edgeStyle();

    platform::ui::View body(const platform::ui::Environment& environment) const;
};

} // namespace tallyfox
