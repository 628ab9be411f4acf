#include "platform/ui/LiveText.hpp"

#include <unicode/locid.h>
#include <unicode/numsys.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace platform::ui::detail {

namespace {

/// The ten digits of the locale's default numbering system, or ASCII digits.
std::vector<std::string> digitsFor(const foundation::Locale& locale) {
    std::vector<std::string> digits;
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::NumberingSystem> ns(
        icu::NumberingSystem::createInstance(icu::Locale(locale.canonicalIdentifier().c_str()), status));
    if (U_SUCCESS(status) && ns && !ns->isAlgorithmic() && ns->getRadix() == 10) {
        const icu::UnicodeString description = ns->getDescription();
        for (int32_t i = 0; i < description.length();) {
            const UChar32 c = description.char32At(i);
            std::string utf8;
            icu::UnicodeString(c).toUTF8String(utf8);
            digits.push_back(utf8);
            i += U16_LENGTH(c);
        }
    }
    if (digits.size() != 10) {
        digits.clear();
        for (char c = '0'; c <= '9'; ++c) digits.emplace_back(1, c);
    }
    return digits;
}

std::string localizeDigits(const std::string& ascii, const std::vector<std::string>& digits) {
    std::string out;
    for (char c : ascii) {
        if (c >= '0' && c <= '9')
            out += digits[static_cast<std::size_t>(c - '0')];
        else
            out += c;
    }
    return out;
}

std::string twoDigits(std::int64_t v) { return (v < 10 ? "0" : "") + std::to_string(v); }

} // namespace

std::string localizedInteger(std::int64_t value, const foundation::Locale& locale) {
    return localizeDigits(std::to_string(value), digitsFor(locale));
}

std::string timerText(foundation::Date from, foundation::Date to, foundation::Date now, bool countsDown,
                      bool showsHours, const foundation::Locale& locale) {
    const foundation::Date clamped = std::clamp(now, from, std::max(from, to));
    const double seconds = countsDown ? to.timeIntervalSince(clamped) : clamped.timeIntervalSince(from);
    const auto total = static_cast<std::int64_t>(std::ceil(std::max(0.0, seconds) - 1e-9));
    const std::int64_t hours = total / 3600, minutes = (total % 3600) / 60, secs = total % 60;
    std::string ascii;
    if (showsHours && hours > 0)
        ascii = std::to_string(hours) + ":" + twoDigits(minutes) + ":" + twoDigits(secs);
    else
        ascii = std::to_string(total / 60) + ":" + twoDigits(secs);
    return localizeDigits(ascii, digitsFor(locale));
}

} // namespace platform::ui::detail
