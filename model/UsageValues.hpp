#pragma once
// How much of a quota is used: percentages, window lengths, windows, running totals, why limits
// cannot be read, and whether the user wants to see what is left or what is used. Also the texts
// that name a window or state a percentage, so that every view words them the same way.

#include "platform/foundation/Date.hpp"
#include "platform/foundation/Decimal.hpp"
#include "platform/foundation/Locale.hpp"
#include "platform/foundation/LocalizedString.hpp"
#include "platform/foundation/Result.hpp"

#include <compare>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace tallyfox {

/// The share of a quota already used, in percent. Decoded values are finite and within 0…100.
struct UsagePercentage {
    double value = 0;

    /// A decoded percentage: not finite is an error; 0 or less (−0 included) becomes 0, above 100
    /// becomes 100.
    static platform::foundation::Result<UsagePercentage, std::string> decode(double number);

    auto operator<=>(const UsagePercentage&) const = default;
};

/// Whether quotas are shown as what is left (100 minus the used share) or as what is used.
enum class UsageAmountStyle { remaining, used };

/// The length of a quota window.
class UsageWindowKind {
public:
    enum class Case : std::uint8_t { custom, fiveHour, weekly, monthly, allowance };

    /// A window of any other length, in minutes.
    static constexpr UsageWindowKind custom(std::int64_t minutes) { return UsageWindowKind(Case::custom, minutes); }
    static const UsageWindowKind fiveHour;
    static const UsageWindowKind weekly;
    static const UsageWindowKind monthly;
    static const UsageWindowKind allowance;

    /// The kind a JSON value names: 300 and 10080 are the five-hour and weekly windows, any other
    /// integer a custom length; "monthly" and "allowance" the other two. Any other string is the
    /// error "Unknown usage window kind".
    static platform::foundation::Result<UsageWindowKind, std::string>
    decode(const std::variant<std::int64_t, std::string>& json);
    /// The JSON form: the minute count, or "monthly" / "allowance".
    std::variant<std::int64_t, std::string> encoded() const;

    Case kind() const { return case_; }
    /// The payload of a custom window (0 for the others).
    std::int64_t customMinutes() const { return case_ == Case::custom ? minutes_ : 0; }
    /// The length in minutes; the largest 64-bit integer for an allowance, which has none.
    std::int64_t minutes() const;

    /// By case and payload: `custom(300)` is not `fiveHour`.
    bool operator==(const UsageWindowKind&) const = default;

private:
    constexpr UsageWindowKind(Case kind, std::int64_t minutes) : case_(kind), minutes_(minutes) {}
    Case case_;
    std::int64_t minutes_;
};

inline constexpr UsageWindowKind UsageWindowKind::fiveHour{Case::fiveHour, 0};
inline constexpr UsageWindowKind UsageWindowKind::weekly{Case::weekly, 0};
inline constexpr UsageWindowKind UsageWindowKind::monthly{Case::monthly, 0};
inline constexpr UsageWindowKind UsageWindowKind::allowance{Case::allowance, 0};

/// One quota window.
struct UsageWindow {
    UsageWindowKind kind = UsageWindowKind::fiveHour;
    /// What the window is limited to, such as a model family ("Opus").
    std::optional<std::string> scope;
    /// Absent when the provider reports none for this window.
    std::optional<UsagePercentage> usage;
    std::optional<platform::foundation::Date> resetsAt;

    /// The identity in lists: the length part ("300", "10080", "monthly", "allowance" or the custom
    /// minute count), "|" and the scope: "10080|Opus", "300|".
    std::string id() const;

    bool operator==(const UsageWindow&) const = default;
};

/// Shorter windows first; of equal length, by scope (absent as "") compared by the code points of
/// its canonically composed form. Equal length and scope are not ordered either way.
bool operator<(const UsageWindow& a, const UsageWindow& b);

/// A running total.
struct UsageTotal {
    enum class Kind { creditsUsed, creditsRemaining, charactersUsed, charactersRemaining };

    Kind kind = Kind::creditsUsed;
    platform::foundation::Decimal value;

    bool operator==(const UsageTotal&) const = default;
};

/// Why a provider's limits cannot be read. The widget shows no text for it.
enum class QuotaUnavailableReason { signInExpired, permissionDenied, temporarilyUnavailable, toolNotRunning };

/// The reason in words, for readers outside the widget that show it ("Sign-in expired"). English
/// only: the widget itself never shows a reason, so its string tables have no words for one.
std::string_view reasonText(QuotaUnavailableReason reason);

/// Raw values of the string-valued enumerations, and the case for a raw value (nothing for an
/// unknown string; letter case counts).
std::string_view rawValue(UsageAmountStyle style);
std::string_view rawValue(UsageTotal::Kind kind);
std::string_view rawValue(QuotaUnavailableReason reason);
template <class T> std::optional<T> fromRawValue(std::string_view raw);
template <> std::optional<UsageAmountStyle> fromRawValue<UsageAmountStyle>(std::string_view raw);
template <> std::optional<UsageTotal::Kind> fromRawValue<UsageTotal::Kind>(std::string_view raw);
template <> std::optional<QuotaUnavailableReason> fromRawValue<QuotaUnavailableReason>(std::string_view raw);

/// The whole used percentage to show, 0…100: rounded half away from zero, but 100 only for a
/// window that is fully used (99.6 shows 99).
int displayedUsedPercent(UsagePercentage usage);
/// The whole percentage to show under `style`, formatted in `appLocale()`: "58%".
std::string amountPercentText(UsageAmountStyle style, UsagePercentage usage);
/// The word after a percentage where space is tight: "left" or "used", localized.
std::string shortUnitText(UsageAmountStyle style);
/// The percentage and its word, localized: "58% left", "42% used".
std::string amountText(UsageAmountStyle style, UsagePercentage usage);

/// The window's length as a title, localized: "5-hour", "Weekly", "Daily", "90-minute", "2-day".
std::string lengthTitle(UsageWindowKind kind);
/// The same title as a key that a text view localizes when it is drawn.
platform::foundation::LocalizedStringResource lengthTitleKey(UsageWindowKind kind);
/// The window's title, localized: "Weekly usage", "Weekly Opus usage".
std::string usageTitle(const UsageWindow& window);

/// The most constrained window: the highest usage among the windows that report one; of equal
/// usages the one that resets first (no reset counts as never); of full ties the earlier one.
std::optional<UsageWindow> primaryWindow(std::span<const UsageWindow> windows);

/// The locale in which numbers are formatted: the main bundle's first preferred localization.
platform::foundation::Locale appLocale();

} // namespace tallyfox
