#include "TallyfoxWidget/NumberTexts.hpp"

#include "platform/foundation/Formatters.hpp"

#include <algorithm>

namespace tallyfox {

namespace pf = platform::foundation;

std::string percentText(std::int64_t percent, const pf::Locale& locale) {
    return pf::formatPercent(static_cast<double>(percent) / 100.0, locale);
}

std::string compactCount(std::int64_t count, const pf::Locale& locale) {
    return pf::formatCompactName(std::max<std::int64_t>(count, 0), locale);
}

std::string creditAmount(const pf::Decimal& amount, const pf::Locale& locale) {
    return pf::formatDecimalAmount(amount.isNegative() ? pf::Decimal{} : amount, locale);
}

} // namespace tallyfox
