#pragma once
// Locale-aware number, date, duration and relative-time texts, made by ICU with the same CLDR data
// that the original platform formats with. Formatters are built once per locale (and per pattern and
// time zone for dates), cached for the life of the process and safe to use from any thread.

#include "platform/foundation/Date.hpp"
#include "platform/foundation/Decimal.hpp"
#include "platform/foundation/Locale.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform::foundation {

/// `fraction` as a percentage with no fraction digits: 0.58 gives "58%" in English, "58 %" in German.
std::string formatPercent(double fraction, const Locale& locale);

/// `count` in the locale's short compact-name notation with 1 to 3 significant digits:
/// 12 800 000 gives "12.8M", 950 gives "950".
std::string formatCompactName(std::int64_t count, const Locale& locale);

/// `amount` as a plain decimal number with 0 to 2 fraction digits and the locale's grouping,
/// formatted from its exact digits: 2.23 gives "2.23", 88 000 gives "88,000".
std::string formatDecimalAmount(const Decimal& amount, const Locale& locale);

/// `value` in the locale's digits without grouping: what a %lld placeholder shows ("1234", "١٢٣٤").
std::string formatInteger(std::int64_t value, const Locale& locale);

/// `value` as an integer of exactly two digits, zero-padded, in the locale's digits: 8 gives "08".
std::string formatTwoDigitInteger(std::int64_t value, const Locale& locale);

/// `date` in a pattern that the locale derives from the skeleton `dateTemplate` ("EEEHHmm" gives
/// "Mon 14:30" in English), in `calendar` and `timeZone`.
std::string formatDate(Date date, std::string_view dateTemplate, const Locale& locale, const Calendar& calendar,
                       const TimeZone& timeZone);

/// `seconds` as spelled-out hours and minutes ("3 hours, 8 minutes"); units whose count is zero are
/// left out, leftover seconds are dropped. Absent when nothing would be shown (under a minute, or
/// a negative or non-finite duration).
std::optional<std::string> formatHoursAndMinutes(double seconds, const Locale& locale);

/// How long the unit names of a relative-time text are.
enum class RelativeTimeWidth { full, abbreviated };

/// How long ago `date` was at `now`, as one count of the largest whole unit among days, hours and
/// minutes, in the locale's past form ("3 hours ago"). A date in the future counts as now.
std::string formatRelativePast(Date date, Date now, const Locale& locale,
                               RelativeTimeWidth width = RelativeTimeWidth::full);

/// A running countdown of `seconds` in the locale's clock style with hours, minutes and seconds
/// ("3:07:10"). Fractions of a second count as a whole second still to go; negative counts as 0.
std::string formatCountdownTimer(double seconds, const Locale& locale);

} // namespace platform::foundation
