#pragma once
// Short texts for the moments at which quota windows reset: the compact countdown, the weekday and
// time, and the full sentence that assistive technology reads.

#include "platform/foundation/Date.hpp"
#include "platform/foundation/Locale.hpp"

#include <string>
#include <string_view>

namespace tallyfox {

/// Makes reset texts in one locale, calendar and time zone. A plain value, cheap to make per view;
/// the platform formatters it uses are cached by the platform.
struct ResetTimeFormatter {
    platform::foundation::Calendar calendar;
    platform::foundation::Locale locale;
    platform::foundation::TimeZone timeZone;

    /// A formatter in `locale` with the user's current calendar and time zone.
    static ResetTimeFormatter autoupdating(platform::foundation::Locale locale);

    /// The compact countdown: "38m", "3h 08m", "2d 4h"; "0m" once `resetsAt` has passed. Minutes
    /// are rounded up; days drop leftover minutes.
    std::string countdown(platform::foundation::Date now, platform::foundation::Date resetsAt) const;
    /// The abbreviated weekday and 24-hour time of `resetsAt`: "Mon 14:30" in English.
    std::string weekdayAndTime(platform::foundation::Date resetsAt) const;
    /// A full sentence: "Resets in 3 hours, 8 minutes" within a day, "Resetting now" once passed,
    /// "Resets Mon 14:30" a day or more ahead.
    std::string resetDescription(platform::foundation::Date resetsAt, platform::foundation::Date now) const;

    bool operator==(const ResetTimeFormatter&) const = default;
};

/// Shortens Uzbek platform texts: Oʻ/Gʻ (with any apostrophe-like mark) become Ö/Ğ, Sh and Ch
/// become Ş and Ç. Any language but "uz" is returned unchanged.
std::string normalizeUzbekLetters(std::string_view text, const platform::foundation::Locale& locale);

} // namespace tallyfox
