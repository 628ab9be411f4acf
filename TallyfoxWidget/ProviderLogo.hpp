#pragma once
// A provider's logo: its image asset when the widget ships one, else its symbol.

#include "model/ProviderCatalog.hpp"
#include "platform/ui/View.hpp"

namespace tallyfox {

/// Fitted into the frame it is offered, keeping its aspect ratio.
struct ProviderLogo {
    ProviderID provider;

    platform::ui::View body(const platform::ui::Environment& environment) const;
};

} // namespace tallyfox
