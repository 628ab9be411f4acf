#pragma once
// The environment keys the widget defines for its views.

#include "model/UsageValues.hpp"

namespace tallyfox {

/// The user's amount style (remaining or used) for every view below; remaining unless set.
struct UsageAmountStyleKey {
    using Value = UsageAmountStyle;
    static Value defaultValue() { return UsageAmountStyle::remaining; }
};

} // namespace tallyfox
