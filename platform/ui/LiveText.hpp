#pragma once
// Internal: the strings of live texts and of localized texts with arguments.

#include "platform/foundation/Date.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace platform::ui::detail {

/// A countdown (or count-up) timer over [from, to] as shown at `now`: "3:08:12", under an hour "8:12",
/// in the locale's digits. Partial seconds count as a whole second left.
std::string timerText(foundation::Date from, foundation::Date to, foundation::Date now, bool countsDown,
                      bool showsHours, const std::string& localeIdentifier);

/// `date` relative to `now` in one unit among days, hours and minutes, in the locale's full wording
/// ("5 minutes ago", "vor 5 Minuten").
std::string relativeText(foundation::Date date, foundation::Date now, const std::string& localeIdentifier);

/// An integer in the locale's digits, without grouping.
std::string localizedInteger(std::int64_t value, const std::string& localeIdentifier);

/// Replaces the placeholders of a format string (%@, %lld, %ld, %d, positional %1$@, and %%) by the
/// already formatted `arguments`. A placeholder without an argument becomes empty.
std::string substituteFormat(const std::string& format, const std::vector<std::string>& arguments);

/// The translation of `key` for the locale, else `defaultValue`.
std::string lookupLocalized(const std::string& key, const std::string& defaultValue, const std::string& localeIdentifier);

} // namespace platform::ui::detail
