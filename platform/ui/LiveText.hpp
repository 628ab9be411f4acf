#pragma once
// Internal: the strings of live texts.

#include "platform/foundation/Date.hpp"
#include "platform/foundation/Locale.hpp"

#include <cstdint>
#include <string>

namespace platform::ui::detail {

/// A countdown (or count-up) timer over [from, to] as shown at `now`: "3:08:12", under an hour "8:12",
/// in the locale's digits. Partial seconds count as a whole second left.
std::string timerText(foundation::Date from, foundation::Date to, foundation::Date now, bool countsDown,
                      bool showsHours, const foundation::Locale& locale);

/// An integer in the locale's digits, without grouping.
std::string localizedInteger(std::int64_t value, const foundation::Locale& locale);

} // namespace platform::ui::detail
