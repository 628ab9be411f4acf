#pragma once
// Absolute instants and the platform clock.

#include <compare>
#include <optional>

namespace platform::foundation {

/// An absolute instant, in seconds since 1970-01-01T00:00:00Z (fractions allowed).
struct Date {
    double timeIntervalSince1970 = 0;

    Date addingTimeInterval(double seconds) const { return Date{timeIntervalSince1970 + seconds}; }
    /// Seconds from `other` to this date (positive when this date is later).
    double timeIntervalSince(Date other) const { return timeIntervalSince1970 - other.timeIntervalSince1970; }

    auto operator<=>(const Date&) const = default;
};

/// The platform clock. System code asks here for the current date, never the C++ clocks directly,
/// so that hosts, previews and tests can fix it or move it.
namespace Clock {

/// The current date: the fixed date when one is set, else the system time plus the offset.
Date now();
/// Fixes the clock at `date`; nothing lets it run again but `setFixedNow(std::nullopt)`.
void setFixedNow(std::optional<Date> date);
/// Moves the running clock by `seconds` (a host previewing the future, say).
void setOffset(double seconds);

} // namespace Clock

} // namespace platform::foundation
