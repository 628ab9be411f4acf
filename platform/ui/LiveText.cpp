#include "platform/ui/LiveText.hpp"

#include <unicode/locid.h>
#include <unicode/numsys.h>
#include <unicode/reldatefmt.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace platform::ui::detail {

namespace {

/// The ten digits of the locale's default numbering system, or ASCII digits.
std::vector<std::string> digitsFor(const std::string& localeIdentifier) {
    std::vector<std::string> digits;
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::NumberingSystem> ns(
        icu::NumberingSystem::createInstance(icu::Locale(localeIdentifier.c_str()), status));
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

std::string localizedInteger(std::int64_t value, const std::string& localeIdentifier) {
    return localizeDigits(std::to_string(value), digitsFor(localeIdentifier));
}

std::string timerText(foundation::Date from, foundation::Date to, foundation::Date now, bool countsDown,
                      bool showsHours, const std::string& localeIdentifier) {
    const foundation::Date clamped = std::clamp(now, from, std::max(from, to));
    const double seconds = countsDown ? to.timeIntervalSince(clamped) : clamped.timeIntervalSince(from);
    const auto total = static_cast<std::int64_t>(std::ceil(std::max(0.0, seconds) - 1e-9));
    const std::int64_t hours = total / 3600, minutes = (total % 3600) / 60, secs = total % 60;
    std::string ascii;
    if (showsHours && hours > 0)
        ascii = std::to_string(hours) + ":" + twoDigits(minutes) + ":" + twoDigits(secs);
    else
        ascii = std::to_string(total / 60) + ":" + twoDigits(secs);
    return localizeDigits(ascii, digitsFor(localeIdentifier));
}

std::string relativeText(foundation::Date date, foundation::Date now, const std::string& localeIdentifier) {
    const double age = now.timeIntervalSince(date);
    const double magnitude = std::fabs(age);
    UDateRelativeUnit unit = UDAT_RELATIVE_MINUTES;
    double count = std::floor(magnitude / 60);
    if (magnitude >= 86400) {
        unit = UDAT_RELATIVE_DAYS;
        count = std::floor(magnitude / 86400);
    } else if (magnitude >= 3600) {
        unit = UDAT_RELATIVE_HOURS;
        count = std::floor(magnitude / 3600);
    }
    UErrorCode status = U_ZERO_ERROR;
    icu::RelativeDateTimeFormatter formatter(icu::Locale(localeIdentifier.c_str()), nullptr, UDAT_STYLE_LONG,
                                             UDISPCTX_CAPITALIZATION_NONE, status);
    icu::UnicodeString result;
    if (U_SUCCESS(status))
        formatter.format(count, age >= 0 ? UDAT_DIRECTION_LAST : UDAT_DIRECTION_NEXT, unit, result, status);
    std::string utf8;
    if (U_FAILURE(status)) return std::to_string(static_cast<long long>(count)) + " min";
    result.toUTF8String(utf8);
    return utf8;
}

std::string substituteFormat(const std::string& format, const std::vector<std::string>& arguments) {
    std::string out;
    std::size_t next = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%' || i + 1 >= format.size()) {
            out += format[i];
            continue;
        }
        std::size_t j = i + 1;
        if (format[j] == '%') {
            out += '%';
            i = j;
            continue;
        }
        // Optional position: digits followed by '$'.
        std::size_t position = 0;
        std::size_t k = j;
        while (k < format.size() && format[k] >= '0' && format[k] <= '9') position = position * 10 + (format[k++] - '0');
        if (k < format.size() && format[k] == '$' && k > j) {
            j = k + 1;
        } else {
            position = 0;
        }
        // Length modifiers, then the conversion.
        while (j < format.size() && (format[j] == 'l' || format[j] == 'h' || format[j] == 'q' || format[j] == 'z'))
            ++j;
        if (j >= format.size() || std::string_view("@diu").find(format[j]) == std::string_view::npos) {
            out += format[i];
            continue;
        }
        const std::size_t index = position > 0 ? position - 1 : next++;
        if (index < arguments.size()) out += arguments[index];
        i = j;
    }
    return out;
}

std::string lookupLocalized(const std::string&, const std::string& defaultValue, const std::string&) {
    return defaultValue;
}

} // namespace platform::ui::detail
