#include "platform/foundation/Formatters.hpp"

#include "platform/foundation/FormatterCache.hpp"

#include <unicode/calendar.h>
#include <unicode/dtptngen.h>
#include <unicode/listformatter.h>
#include <unicode/measfmt.h>
#include <unicode/measunit.h>
#include <unicode/measure.h>
#include <unicode/numberformatter.h>
#include <unicode/reldatefmt.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

#include <cmath>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <tuple>
#include <unordered_map>

namespace platform::foundation {

namespace nf = icu::number;

namespace {

std::string utf8(const icu::UnicodeString& text) {
    std::string result;
    text.toUTF8String(result);
    return result;
}

} // namespace

// Formatters whose format calls mutate internal state (a calendar, a cached field position) are
// kept with a mutex of their own; ICU's LocalizedNumberFormatter is immutable and needs none.
template <class T> struct Guarded {
    std::mutex mutex;
    std::unique_ptr<T> formatter;
};

struct LocaleFormatters {
    explicit LocaleFormatters(const Locale& locale) : icuLocale(locale.canonicalIdentifier().c_str()) {
        const auto base = nf::NumberFormatter::withLocale(icuLocale);
        percent = base.unit(icu::NoUnit::percent()).scale(nf::Scale::powerOfTen(2)).precision(nf::Precision::integer());
        compactName =
            base.notation(nf::Notation::compactShort()).precision(nf::Precision::minMaxSignificantDigits(1, 3));
        decimalAmount = base.precision(nf::Precision::minMaxFraction(0, 2)).grouping(UNUM_GROUPING_AUTO);
        twoDigits = base.integerWidth(nf::IntegerWidth::zeroFillTo(2).truncateAt(2)).grouping(UNUM_GROUPING_OFF);
        plainInteger = base.grouping(UNUM_GROUPING_OFF).precision(nf::Precision::integer());
    }

    icu::Locale icuLocale;
    nf::LocalizedNumberFormatter percent;
    nf::LocalizedNumberFormatter compactName;
    nf::LocalizedNumberFormatter decimalAmount;
    nf::LocalizedNumberFormatter twoDigits;
    nf::LocalizedNumberFormatter plainInteger;

    // Spelled-out hours and minutes, joined as the locale lists units ("3 hours, 8 minutes").
    std::once_flag durationOnce;
    nf::LocalizedNumberFormatter hours;
    nf::LocalizedNumberFormatter minutes;
    Guarded<icu::ListFormatter> unitList;
    std::once_flag timerOnce;
    Guarded<icu::MeasureFormat> timer;
    std::once_flag relativeOnce[2];
    Guarded<icu::RelativeDateTimeFormatter> relative[2];
};

namespace {

std::unique_ptr<icu::SimpleDateFormat> makeICUDateFormat(std::string_view dateTemplate, const Locale& locale,
                                                         const Calendar& calendar, const TimeZone& timeZone) {
    UErrorCode status = U_ZERO_ERROR;
    // Language and region from the locale, the calendar system from the calendar: the patterns
    // and names then belong to that calendar (a Buddhist year shows its era).
    icu::Locale icuLocale(locale.canonicalIdentifier().c_str());
    icuLocale.setKeywordValue("calendar", calendar.identifier.c_str(), status);
    if (U_FAILURE(status)) return nullptr;
    const std::unique_ptr<icu::DateTimePatternGenerator> generator(
        icu::DateTimePatternGenerator::createInstance(icuLocale, status));
    if (U_FAILURE(status)) return nullptr;
    const auto skeleton = icu::UnicodeString::fromUTF8(icu::StringPiece(dateTemplate.data(),
                                                                        static_cast<int32_t>(dateTemplate.size())));
    // The template's field lengths are kept: "HH" stays a two-digit hour in every locale.
    const icu::UnicodeString pattern = generator->getBestPattern(skeleton, UDATPG_MATCH_HOUR_FIELD_LENGTH, status);
    if (U_FAILURE(status)) return nullptr;
    std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::createTimeZone(
        icu::UnicodeString::fromUTF8(icu::StringPiece(timeZone.identifier.c_str()))));
    std::unique_ptr<icu::Calendar> icuCalendar(icu::Calendar::createInstance(zone.release(), icuLocale, status));
    if (U_FAILURE(status)) return nullptr;
    auto formatter = std::make_unique<icu::SimpleDateFormat>(pattern, icuLocale, status);
    if (U_FAILURE(status)) return nullptr;
    formatter->adoptCalendar(icuCalendar.release());
    return formatter;
}

class Cache {
public:
    static Cache& shared() {
        static Cache cache; // a function-local static: built once, thread-safe
        return cache;
    }

    LocaleFormatters& formatters(const Locale& locale) {
        const std::string& key = locale.canonicalIdentifier();
        {
            std::shared_lock lock(mutex_);
            if (const auto it = locales_.find(key); it != locales_.end()) return *it->second;
        }
        // Built outside the lock: another thread may build the same locale meanwhile; the first
        // one stored wins and the other is dropped.
        auto built = std::make_unique<LocaleFormatters>(locale);
        std::unique_lock lock(mutex_);
        return *locales_.try_emplace(key, std::move(built)).first->second;
    }

    Guarded<icu::SimpleDateFormat>& dateFormat(std::string_view dateTemplate, const Locale& locale,
                                               const Calendar& calendar, const TimeZone& timeZone) {
        DateKey key{std::string(dateTemplate), locale.canonicalIdentifier(), calendar.identifier, timeZone.identifier};
        {
            std::shared_lock lock(mutex_);
            if (const auto it = dates_.find(key); it != dates_.end()) return *it->second;
        }
        auto built = std::make_unique<Guarded<icu::SimpleDateFormat>>();
        built->formatter = makeICUDateFormat(dateTemplate, locale, calendar, timeZone);
        std::unique_lock lock(mutex_);
        return *dates_.try_emplace(std::move(key), std::move(built)).first->second;
    }

private:
    using DateKey = std::tuple<std::string, std::string, std::string, std::string>;

    std::shared_mutex mutex_;
    std::unordered_map<std::string, std::unique_ptr<LocaleFormatters>> locales_;
    std::map<DateKey, std::unique_ptr<Guarded<icu::SimpleDateFormat>>> dates_;
};

std::string format(const nf::LocalizedNumberFormatter& formatter, double value) {
    UErrorCode status = U_ZERO_ERROR;
    auto text = formatter.formatDouble(value, status).toString(status);
    return U_SUCCESS(status) ? utf8(text) : std::string();
}

std::string format(const nf::LocalizedNumberFormatter& formatter, std::int64_t value) {
    UErrorCode status = U_ZERO_ERROR;
    auto text = formatter.formatInt(value, status).toString(status);
    return U_SUCCESS(status) ? utf8(text) : std::string();
}

std::unique_ptr<icu::MeasureFormat> makeMeasureFormat(const icu::Locale& locale, UMeasureFormatWidth width) {
    UErrorCode status = U_ZERO_ERROR;
    auto formatter = std::make_unique<icu::MeasureFormat>(locale, width, status);
    return U_SUCCESS(status) ? std::move(formatter) : nullptr;
}

// Formats hours, minutes and seconds with a measure format; a count of zero leaves its unit out
// unless `keepZeros`.
std::string formatMeasures(Guarded<icu::MeasureFormat>& guarded, std::int64_t hours, std::int64_t minutes,
                           std::optional<std::int64_t> seconds, bool keepZeros) {
    if (!guarded.formatter) return {};
    UErrorCode status = U_ZERO_ERROR;
    icu::Measure measures[3] = {
        icu::Measure(icu::Formattable(static_cast<int64_t>(hours)), icu::MeasureUnit::createHour(status), status),
        icu::Measure(icu::Formattable(static_cast<int64_t>(minutes)), icu::MeasureUnit::createMinute(status), status),
        icu::Measure(icu::Formattable(static_cast<int64_t>(seconds.value_or(0))),
                     icu::MeasureUnit::createSecond(status), status),
    };
    if (U_FAILURE(status)) return {};
    // Measures are not default-constructible; pick the ones to show by copying into a second array.
    icu::Measure shown[3] = {measures[0], measures[1], measures[2]};
    int count = 0;
    const std::int64_t counts[3] = {hours, minutes, seconds.value_or(0)};
    for (int i = 0; i < (seconds ? 3 : 2); ++i)
        if (keepZeros || counts[i] != 0) shown[count++] = measures[i];
    if (count == 0) return {};
    icu::UnicodeString text;
    icu::FieldPosition position(icu::FieldPosition::DONT_CARE);
    std::lock_guard lock(guarded.mutex);
    guarded.formatter->formatMeasures(shown, count, text, position, status);
    return U_SUCCESS(status) ? utf8(text) : std::string();
}

} // namespace

std::unique_ptr<LocaleFormatters, LocaleFormattersDeleter> makeLocaleFormatters(const Locale& locale) {
    return std::unique_ptr<LocaleFormatters, LocaleFormattersDeleter>(new LocaleFormatters(locale));
}

void LocaleFormattersDeleter::operator()(LocaleFormatters* formatters) const { delete formatters; }

struct DateFormat {
    std::unique_ptr<icu::SimpleDateFormat> formatter;
};

std::unique_ptr<DateFormat, DateFormatDeleter> makeDateFormat(std::string_view dateTemplate, const Locale& locale,
                                                              const Calendar& calendar, const TimeZone& timeZone) {
    return std::unique_ptr<DateFormat, DateFormatDeleter>(
        new DateFormat{makeICUDateFormat(dateTemplate, locale, calendar, timeZone)});
}

void DateFormatDeleter::operator()(DateFormat* format) const { delete format; }

std::string formatPercent(double fraction, const Locale& locale) {
    return format(Cache::shared().formatters(locale).percent, fraction);
}

std::string formatCompactName(std::int64_t count, const Locale& locale) {
    return format(Cache::shared().formatters(locale).compactName, count);
}

std::string formatDecimalAmount(const Decimal& amount, const Locale& locale) {
    const std::string text = amount.scientificText();
    UErrorCode status = U_ZERO_ERROR;
    auto formatted = Cache::shared().formatters(locale).decimalAmount.formatDecimal(
        icu::StringPiece(text.data(), static_cast<int32_t>(text.size())), status);
    auto result = formatted.toString(status);
    return U_SUCCESS(status) ? utf8(result) : amount.description();
}

std::string formatInteger(std::int64_t value, const Locale& locale) {
    return format(Cache::shared().formatters(locale).plainInteger, value);
}

std::string formatTwoDigitInteger(std::int64_t value, const Locale& locale) {
    return format(Cache::shared().formatters(locale).twoDigits, value);
}

std::string formatDate(Date date, std::string_view dateTemplate, const Locale& locale, const Calendar& calendar,
                       const TimeZone& timeZone) {
    auto& guarded = Cache::shared().dateFormat(dateTemplate, locale, calendar, timeZone);
    if (!guarded.formatter) return {};
    icu::UnicodeString text;
    {
        std::lock_guard lock(guarded.mutex);
        guarded.formatter->format(static_cast<UDate>(date.timeIntervalSince1970 * 1000.0), text);
    }
    return utf8(text);
}

std::optional<std::string> formatHoursAndMinutes(double seconds, const Locale& locale) {
    if (!std::isfinite(seconds) || seconds < 60 || seconds > 1e15) return std::nullopt;
    const auto minutesTotal = static_cast<std::int64_t>(seconds / 60);
    auto& formatters = Cache::shared().formatters(locale);
    std::call_once(formatters.durationOnce, [&] {
        const auto base = nf::NumberFormatter::withLocale(formatters.icuLocale).unitWidth(UNUM_UNIT_WIDTH_FULL_NAME);
        formatters.hours = base.unit(icu::MeasureUnit::getHour());
        formatters.minutes = base.unit(icu::MeasureUnit::getMinute());
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::ListFormatter> list(
            icu::ListFormatter::createInstance(formatters.icuLocale, ULISTFMT_TYPE_UNITS, ULISTFMT_WIDTH_WIDE, status));
        if (U_SUCCESS(status)) formatters.unitList.formatter = std::move(list);
    });
    if (!formatters.unitList.formatter) return std::nullopt;
    icu::UnicodeString parts[2];
    int count = 0;
    UErrorCode status = U_ZERO_ERROR;
    if (const std::int64_t hours = minutesTotal / 60; hours != 0)
        parts[count++] = formatters.hours.formatInt(hours, status).toString(status);
    if (const std::int64_t minutes = minutesTotal % 60; minutes != 0)
        parts[count++] = formatters.minutes.formatInt(minutes, status).toString(status);
    if (U_FAILURE(status) || count == 0) return std::nullopt;
    icu::UnicodeString text;
    {
        std::lock_guard lock(formatters.unitList.mutex);
        formatters.unitList.formatter->format(parts, count, text, status);
    }
    if (U_FAILURE(status) || text.isEmpty()) return std::nullopt;
    return utf8(text);
}

std::string formatRelativePast(Date date, Date now, const Locale& locale, RelativeTimeWidth width) {
    const double age = std::max(0.0, now.timeIntervalSince(date));
    double count = 0;
    URelativeDateTimeUnit unit = UDAT_REL_UNIT_MINUTE;
    if (age >= 86400) {
        count = std::floor(age / 86400);
        unit = UDAT_REL_UNIT_DAY;
    } else if (age >= 3600) {
        count = std::floor(age / 3600);
        unit = UDAT_REL_UNIT_HOUR;
    } else {
        count = std::isfinite(age) ? std::floor(age / 60) : 0;
    }
    auto& formatters = Cache::shared().formatters(locale);
    const int index = width == RelativeTimeWidth::full ? 0 : 1;
    std::call_once(formatters.relativeOnce[index], [&] {
        UErrorCode status = U_ZERO_ERROR;
        auto formatter = std::make_unique<icu::RelativeDateTimeFormatter>(
            formatters.icuLocale, nullptr, index == 0 ? UDAT_STYLE_LONG : UDAT_STYLE_SHORT,
            UDISPCTX_CAPITALIZATION_NONE, status);
        if (U_SUCCESS(status)) formatters.relative[index].formatter = std::move(formatter);
    });
    auto& guarded = formatters.relative[index];
    if (!guarded.formatter) return {};
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString text;
    {
        std::lock_guard lock(guarded.mutex);
        // ICU counts backwards with a negative offset; -0.0 keeps "0 minutes ago" in the past.
        text = guarded.formatter->formatNumericToValue(count == 0 ? -0.0 : -count, unit, status).toString(status);
    }
    return U_SUCCESS(status) ? utf8(text) : std::string();
}

std::string formatCountdownTimer(double seconds, const Locale& locale) {
    std::int64_t total = 0;
    if (std::isfinite(seconds) && seconds > 0)
        total = seconds >= 9e15 ? std::int64_t{9'000'000'000'000'000} : static_cast<std::int64_t>(std::ceil(seconds));
    auto& formatters = Cache::shared().formatters(locale);
    std::call_once(formatters.timerOnce, [&] {
        formatters.timer.formatter = makeMeasureFormat(formatters.icuLocale, UMEASFMT_WIDTH_NUMERIC);
    });
    return formatMeasures(formatters.timer, total / 3600, total / 60 % 60, total % 60, true);
}

} // namespace platform::foundation
