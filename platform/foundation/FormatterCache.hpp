#pragma once
// The cost that the formatter cache saves, made measurable: builds what the cache keeps for a
// locale without storing it. For benchmarks; everything else formats through Formatters.hpp.

#include "platform/foundation/Locale.hpp"

#include <memory>
#include <string_view>

namespace platform::foundation {

struct LocaleFormatters;
struct LocaleFormattersDeleter {
    void operator()(LocaleFormatters* formatters) const;
};

/// The number formatters of `locale`, built afresh.
std::unique_ptr<LocaleFormatters, LocaleFormattersDeleter> makeLocaleFormatters(const Locale& locale);

struct DateFormat;
struct DateFormatDeleter {
    void operator()(DateFormat* format) const;
};

/// A date formatter for the localized pattern of `dateTemplate`, built afresh.
std::unique_ptr<DateFormat, DateFormatDeleter> makeDateFormat(std::string_view dateTemplate, const Locale& locale,
                                                              const Calendar& calendar, const TimeZone& timeZone);

} // namespace platform::foundation
