#pragma once
// The one-line activity of a snapshot entry, as rows show it.

#include "snapshot/WidgetSnapshot.hpp"

#include <optional>
#include <string>

namespace tallyfox {

/// Today's tokens ("12.8M tokens today"), else today's credits ("2.23 credits today"), else the first
/// running total ("Characters remaining: 88,000"); nothing when the entry reports none of them.
/// `shortForm` drops "today". Requests are never part of it. Numbers are formatted in `appLocale()`.
std::optional<std::string> activityText(const WidgetProviderSnapshot& provider, bool shortForm);

} // namespace tallyfox
