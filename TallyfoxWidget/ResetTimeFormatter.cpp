#include "TallyfoxWidget/ResetTimeFormatter.hpp"

#include "platform/foundation/Formatters.hpp"
#include "platform/foundation/LocalizedString.hpp"

#include <cmath>
#include <cstdint>

namespace tallyfox {

namespace pf = platform::foundation;

ResetTimeFormatter ResetTimeFormatter::autoupdating(pf::Locale locale) {
    return ResetTimeFormatter{pf::Calendar::autoupdatingCurrent(), std::move(locale),
                              pf::TimeZone::autoupdatingCurrent()};
}

std::string ResetTimeFormatter::countdown(pf::Date now, pf::Date resetsAt) const {
    const double seconds = resetsAt.timeIntervalSince(now);
    std::int64_t minutes = 0;
    if (seconds > 0) {
        // Far-off dates are held to a count that fits; no reset is that far away.
        constexpr double limit = 1e15;
        minutes = static_cast<std::int64_t>(std::min(std::ceil(seconds / 60), limit));
    }
    if (minutes >= 1440)
        return pf::localizedFormat("%lldd %lldh", "%lldd %lldh", "Countdown in days and hours, e.g. 2d 4h",
                                   {minutes / 1440, minutes % 1440 / 60});
    if (minutes >= 60)
        return pf::localizedFormat("%lldh %@m", "%lldh %@m", "Countdown in hours and zero-padded minutes, e.g. 3h 08m",
                                   {minutes / 60, pf::formatTwoDigitInteger(minutes % 60, locale)});
    return pf::localizedFormat("%lldm", "%lldm", "Countdown in minutes, e.g. 38m", {minutes});
}

std::string ResetTimeFormatter::weekdayAndTime(pf::Date resetsAt) const {
    return normalizeUzbekLetters(pf::formatDate(resetsAt, "EEEHHmm", locale, calendar, timeZone), locale);
}

std::string ResetTimeFormatter::resetDescription(pf::Date resetsAt, pf::Date now) const {
    const double seconds = resetsAt.timeIntervalSince(now);
    if (seconds > 0 && seconds < 86400) {
        // The duration names its units in the formatter's locale, whatever the calendar's own.
        const double roundedUp = std::ceil(seconds / 60) * 60;
        const std::string duration =
            pf::formatHoursAndMinutes(roundedUp, locale).value_or(countdown(now, resetsAt));
        return pf::localizedFormat("Resets in %@", "Resets in %@", "", {normalizeUzbekLetters(duration, locale)});
    }
    if (!(seconds > 0)) return pf::localized("Resetting now", "Resetting now");
    return pf::localizedFormat("Resets %@", "Resets %@", "", {weekdayAndTime(resetsAt)});
}

namespace {

void replaceAll(std::string& text, std::string_view from, std::string_view to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

} // namespace

std::string normalizeUzbekLetters(std::string_view text, const pf::Locale& locale) {
    std::string result(text);
    if (locale.languageCode() != "uz") return result;
    // U+2018, U+2019, U+02BB, U+02BC, then the plain apostrophe, each with its four letters.
    for (const std::string_view apostrophe : {"\u2018", "\u2019", "\u02BB", "\u02BC", "'"}) {
        replaceAll(result, std::string("O").append(apostrophe), "\u00D6");
        replaceAll(result, std::string("o").append(apostrophe), "\u00F6");
        replaceAll(result, std::string("G").append(apostrophe), "\u011E");
        replaceAll(result, std::string("g").append(apostrophe), "\u011F");
    }
    replaceAll(result, "SH", "\u015E");
    replaceAll(result, "Sh", "\u015E");
    replaceAll(result, "sh", "\u015F");
    replaceAll(result, "CH", "\u00C7");
    replaceAll(result, "Ch", "\u00C7");
    replaceAll(result, "ch", "\u00E7");
    return result;
}

} // namespace tallyfox
