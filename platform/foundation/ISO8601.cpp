#include "platform/foundation/ISO8601.hpp"

#include <cmath>
#include <cstdint>

namespace platform::foundation::ISO8601 {
namespace {

// Days since 1970-01-01 of a proleptic Gregorian date (Howard Hinnant's days_from_civil).
constexpr std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

struct Civil {
    std::int64_t year;
    unsigned month, day;
};

constexpr Civil civilFromDays(std::int64_t z) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2), m, d};
}

constexpr bool isLeap(std::int64_t y) { return y % 4 == 0 && (y % 100 != 0 || y % 400 == 0); }

constexpr unsigned daysInMonth(std::int64_t y, unsigned m) {
    constexpr unsigned days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeap(y) ? 29 : days[m - 1];
}

// Reads exactly `count` ASCII digits at `pos`.
bool digits(std::string_view text, std::size_t pos, std::size_t count, unsigned& out) {
    if (pos + count > text.size()) return false;
    unsigned value = 0;
    for (std::size_t i = pos; i < pos + count; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    out = value;
    return true;
}

// Writes `value` as exactly `width` digits at `at`.
void put(char* at, unsigned value, int width) {
    for (int i = width - 1; i >= 0; --i) {
        at[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
}

} // namespace

std::optional<Date> date(std::string_view text) {
    // 0123456789012345678
    // YYYY-MM-DDTHH:MM:SS then Z or +hh:mm
    unsigned year, month, day, hour, minute, second;
    if (text.size() < 20) return std::nullopt;
    if (!digits(text, 0, 4, year) || text[4] != '-' || !digits(text, 5, 2, month) || text[7] != '-' ||
        !digits(text, 8, 2, day) || text[10] != 'T' || !digits(text, 11, 2, hour) || text[13] != ':' ||
        !digits(text, 14, 2, minute) || text[16] != ':' || !digits(text, 17, 2, second))
        return std::nullopt;
    if (month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month) || hour > 23 || minute > 59 ||
        second > 59)
        return std::nullopt;

    std::int64_t offsetSeconds = 0;
    const std::string_view zone = text.substr(19);
    if (zone == "Z") {
        offsetSeconds = 0;
    } else if (zone.size() == 6 && (zone[0] == '+' || zone[0] == '-') && zone[3] == ':') {
        unsigned offsetHours, offsetMinutes;
        if (!digits(zone, 1, 2, offsetHours) || !digits(zone, 4, 2, offsetMinutes) || offsetHours > 23 ||
            offsetMinutes > 59)
            return std::nullopt;
        offsetSeconds = static_cast<std::int64_t>(offsetHours * 3600 + offsetMinutes * 60) * (zone[0] == '-' ? -1 : 1);
    } else {
        return std::nullopt;
    }

    const std::int64_t local = daysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
    return Date{static_cast<double>(local - offsetSeconds)};
}

void append(std::string& out, Date date) {
    constexpr double earliest = -62167219200.0; // 0000-01-01T00:00:00Z
    constexpr double latest = 253402300799.0;   // 9999-12-31T23:59:59Z
    double seconds = std::floor(date.timeIntervalSince1970);
    if (!(seconds >= earliest)) seconds = earliest; // NaN lands here too
    if (seconds > latest) seconds = latest;

    const auto total = static_cast<std::int64_t>(seconds);
    std::int64_t days = total / 86400;
    std::int64_t rest = total % 86400;
    if (rest < 0) {
        rest += 86400;
        days -= 1;
    }
    const Civil civil = civilFromDays(days);
    char text[20] = {'0', '0', '0', '0', '-', '0', '0', '-', '0', '0',
                     'T', '0', '0', ':', '0', '0', ':', '0', '0', 'Z'};
    put(text, static_cast<unsigned>(civil.year), 4);
    put(text + 5, civil.month, 2);
    put(text + 8, civil.day, 2);
    put(text + 11, static_cast<unsigned>(rest / 3600), 2);
    put(text + 14, static_cast<unsigned>(rest / 60 % 60), 2);
    put(text + 17, static_cast<unsigned>(rest % 60), 2);
    out.append(text, sizeof text);
}

std::string string(Date date) {
    std::string out;
    out.reserve(20);
    append(out, date);
    return out;
}

} // namespace platform::foundation::ISO8601
