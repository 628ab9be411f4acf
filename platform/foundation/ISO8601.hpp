#pragma once
// RFC 3339 internet date-times, the one date form of our documents and output.

#include "platform/foundation/Date.hpp"

#include <optional>
#include <string>
#include <string_view>

namespace platform::foundation::ISO8601 {

/// Reads an internet date-time: "YYYY-MM-DDTHH:MM:SS" followed by "Z" or a numeric offset "+hh:mm" /
/// "-hh:mm" (for instance 2026-03-14T09:26:53Z or 2026-03-14T11:26:53+02:00).
///
/// Deliberately strict: upper-case "T" and "Z" only, whole seconds only (a fractional part such as
/// ".5" is refused, as writers write whole seconds), no leap second (60), every field in range
/// (February 29 only in leap years), offsets up to 23:59. Anything else gives no date.
std::optional<Date> date(std::string_view text);

/// Writes `date` in UTC to the whole second: "2026-03-02T10:00:00Z". A fraction of a second is
/// dropped (rounded towards the past). Years outside 0000...9999 are clamped to that range's ends.
std::string string(Date date);
/// Appends the same text as `string` to `out`, without a temporary.
void append(std::string& out, Date date);

} // namespace platform::foundation::ISO8601
