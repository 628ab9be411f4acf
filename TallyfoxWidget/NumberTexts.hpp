#pragma once
// The widget's numbers as texts: percentages, token counts and credit amounts, each in the locale
// it is given.

#include "platform/foundation/Decimal.hpp"
#include "platform/foundation/Locale.hpp"

#include <cstdint>
#include <string>

namespace tallyfox {

/// A whole-number percentage with no fraction digits: 58 gives "58%" in English, "58 %" in German.
std::string percentText(std::int64_t percent, const platform::foundation::Locale& locale);
/// A token count in compact-name notation with 1 to 3 significant digits: "12.8M", "950". A negative
/// count shows as 0.
std::string compactCount(std::int64_t count, const platform::foundation::Locale& locale);
/// A credit amount with 0 to 2 fraction digits and grouping, from its exact digits: "2.23", "5".
/// A negative amount shows as 0.
std::string creditAmount(const platform::foundation::Decimal& amount, const platform::foundation::Locale& locale);

} // namespace tallyfox
