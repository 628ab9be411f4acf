#include "model/UsageValues.hpp"

#include "platform/foundation/Formatters.hpp"
#include "platform/foundation/Localization.hpp"
#include "platform/foundation/UnicodeNormalization.hpp"


#include <algorithm>
#include <cmath>
#include <limits>

namespace tallyfox {

namespace pf = platform::foundation;

pf::Result<UsagePercentage, std::string> UsagePercentage::decode(double number) {
    if (!std::isfinite(number)) return pf::Failure{std::string("Usage percentage isn’t a finite number")};
    if (number <= 0) return UsagePercentage{0}; // −0 too
    if (number > 100) return UsagePercentage{100};
    return UsagePercentage{number};
}

pf::Result<UsageWindowKind, std::string> UsageWindowKind::decode(const std::variant<std::int64_t, std::string>& json) {
    if (const auto* minutes = std::get_if<std::int64_t>(&json)) {
        if (*minutes == 300) return fiveHour;
        if (*minutes == 10080) return weekly;
        return custom(*minutes);
    }
    const auto& name = std::get<std::string>(json);
    if (name == "monthly") return monthly;
    if (name == "allowance") return allowance;
    return pf::Failure{std::string("Unknown usage window kind")};
}

std::variant<std::int64_t, std::string> UsageWindowKind::encoded() const {
    switch (case_) {
    case Case::monthly:
        return std::string("monthly");
    case Case::allowance:
        return std::string("allowance");
    default:
        return minutes();
    }
}

std::int64_t UsageWindowKind::minutes() const {
    switch (case_) {
    case Case::custom:
        return minutes_;
    case Case::fiveHour:
        return 300;
    case Case::weekly:
        return 10080;
    case Case::monthly:
        return 43200;
    case Case::allowance:
        break;
    }
    return std::numeric_limits<std::int64_t>::max();
}

std::string UsageWindow::id() const {
    std::string length;
    switch (kind.kind()) {
    case UsageWindowKind::Case::monthly:
        length = "monthly";
        break;
    case UsageWindowKind::Case::allowance:
        length = "allowance";
        break;
    default:
        length = std::to_string(kind.minutes());
    }
    return length + "|" + scope.value_or("");
}

bool operator<(const UsageWindow& a, const UsageWindow& b) {
    const auto lengthA = a.kind.minutes(), lengthB = b.kind.minutes();
    if (lengthA != lengthB) return lengthA < lengthB;
    // UTF-8 byte order is code-point order.
    return pf::precomposedStringWithCanonicalMapping(a.scope.value_or("")) <
           pf::precomposedStringWithCanonicalMapping(b.scope.value_or(""));
}

std::string_view rawValue(UsageAmountStyle style) { return style == UsageAmountStyle::used ? "used" : "remaining"; }

std::string_view rawValue(UsageTotal::Kind kind) {
    switch (kind) {
    case UsageTotal::Kind::creditsUsed:
        return "creditsUsed";
    case UsageTotal::Kind::creditsRemaining:
        return "creditsRemaining";
    case UsageTotal::Kind::charactersUsed:
        return "charactersUsed";
    case UsageTotal::Kind::charactersRemaining:
        return "charactersRemaining";
    }
    return {};
}

std::string_view rawValue(QuotaUnavailableReason reason) {
    switch (reason) {
    case QuotaUnavailableReason::signInExpired:
        return "signInExpired";
    case QuotaUnavailableReason::permissionDenied:
        return "permissionDenied";
    case QuotaUnavailableReason::temporarilyUnavailable:
        return "temporarilyUnavailable";
    case QuotaUnavailableReason::toolNotRunning:
        return "toolNotRunning";
    }
    return {};
}

std::string_view reasonText(QuotaUnavailableReason reason) {
    switch (reason) {
    case QuotaUnavailableReason::signInExpired:
        return "Sign-in expired";
    case QuotaUnavailableReason::permissionDenied:
        return "Permission denied";
    case QuotaUnavailableReason::temporarilyUnavailable:
        return "Temporarily unavailable";
    case QuotaUnavailableReason::toolNotRunning:
        return "Tool not running";
    }
    return {};
}

namespace {

template <class T, std::size_t N> std::optional<T> findRaw(std::string_view raw, const T (&cases)[N]) {
    for (const T candidate : cases)
        if (rawValue(candidate) == raw) return candidate;
    return std::nullopt;
}

} // namespace

template <> std::optional<UsageAmountStyle> fromRawValue<UsageAmountStyle>(std::string_view raw) {
    constexpr UsageAmountStyle cases[] = {UsageAmountStyle::remaining, UsageAmountStyle::used};
    return findRaw(raw, cases);
}

template <> std::optional<UsageTotal::Kind> fromRawValue<UsageTotal::Kind>(std::string_view raw) {
    using enum UsageTotal::Kind;
    constexpr UsageTotal::Kind cases[] = {creditsUsed, creditsRemaining, charactersUsed, charactersRemaining};
    return findRaw(raw, cases);
}

template <> std::optional<QuotaUnavailableReason> fromRawValue<QuotaUnavailableReason>(std::string_view raw) {
    using enum QuotaUnavailableReason;
    constexpr QuotaUnavailableReason cases[] = {signInExpired, permissionDenied, temporarilyUnavailable,
                                                toolNotRunning};
    return findRaw(raw, cases);
}

int displayedUsedPercent(UsagePercentage usage) {
    // Decoded values are within 0…100; a value made in code is held to that range as well.
    const double clamped = std::isfinite(usage.value) ? std::clamp(usage.value, 0.0, 100.0) : 0.0;
    const int rounded = static_cast<int>(std::round(clamped)); // halves away from zero
    if (rounded == 100 && clamped < 100) return 99;
    return rounded;
}

std::string amountPercentText(UsageAmountStyle style, UsagePercentage usage) {
    const int used = displayedUsedPercent(usage);
    const int shown = style == UsageAmountStyle::used ? used : 100 - used;
    return pf::formatPercent(shown / 100.0, appLocale());
}

std::string shortUnitText(UsageAmountStyle style) {
    if (style == UsageAmountStyle::used)
        return pf::localized("unit.used.short", "used",
                             "Follows a used percentage where space is tight, e.g. 42% used; abbreviate if needed");
    return pf::localized("unit.left.short", "left",
                         "Follows a remaining percentage where space is tight, e.g. 58% left; abbreviate if needed");
}

std::string amountText(UsageAmountStyle style, UsagePercentage usage) {
    const std::string percent = amountPercentText(style, usage);
    if (style == UsageAmountStyle::used)
        return pf::localizedFormat("%@ used", "%@ used", "Used quota, e.g. 42% used", {percent});
    return pf::localizedFormat("%@ left", "%@ left", "Remaining quota, e.g. 58% left", {percent});
}

namespace {

// One place for the length titles, with translator comments for lookups made now and without
// them for keys that a view looks up later.
pf::LocalizedStringResource lengthTitleResource(UsageWindowKind kind, bool withComments) {
    const auto comment = [&](const char* text) { return std::string(withComments ? text : ""); };
    switch (kind.kind()) {
    case UsageWindowKind::Case::fiveHour:
        return pf::LocalizedStringResource{"5-hour", "5-hour", {}, {}};
    case UsageWindowKind::Case::weekly:
        return pf::LocalizedStringResource{"Weekly", "Weekly", {}, {}};
    case UsageWindowKind::Case::monthly:
        return pf::LocalizedStringResource{"Monthly", "Monthly", {}, {}};
    case UsageWindowKind::Case::allowance:
        return pf::LocalizedStringResource{"Allowance", "Allowance", {}, {}};
    case UsageWindowKind::Case::custom:
        break;
    }
    const std::int64_t minutes = kind.customMinutes();
    if (minutes == 1440) return pf::LocalizedStringResource{"Daily", "Daily", {}, {}};
    if (minutes % 1440 == 0)
        return pf::LocalizedStringResource{
            "%lld-day", "%lld-day", comment("Usage window length, e.g. 30-day"), {minutes / 1440}};
    if (minutes % 60 != 0)
        return pf::LocalizedStringResource{
            "%lld-minute", "%lld-minute", comment("Usage window length, e.g. 90-minute"), {minutes}};
    return pf::LocalizedStringResource{
        "%lld-hour", "%lld-hour", comment("Usage window length, e.g. 12-hour"), {minutes / 60}};
}

} // namespace

std::string lengthTitle(UsageWindowKind kind) { return lengthTitleResource(kind, true).resolved(); }

pf::LocalizedStringResource lengthTitleKey(UsageWindowKind kind) { return lengthTitleResource(kind, false); }

std::string usageTitle(const UsageWindow& window) {
    const std::string length = lengthTitle(window.kind);
    if (window.scope)
        return pf::localizedFormat("%@ %@ usage", "%@ %@ usage", "e.g. Weekly Opus usage", {length, *window.scope});
    return pf::localizedFormat("%@ usage", "%@ usage", "e.g. Weekly usage", {length});
}

std::optional<UsageWindow> primaryWindow(std::span<const UsageWindow> windows) {
    const UsageWindow* best = nullptr;
    const auto resetsEarlier = [](const UsageWindow& a, const UsageWindow& b) {
        if (!a.resetsAt) return false; // no reset counts as the most distant future
        return !b.resetsAt || *a.resetsAt < *b.resetsAt;
    };
    for (const auto& window : windows) {
        if (!window.usage) continue;
        if (!best || window.usage->value > best->usage->value ||
            (window.usage->value == best->usage->value && resetsEarlier(window, *best)))
            best = &window;
    }
    return best ? std::optional<UsageWindow>(*best) : std::nullopt;
}

pf::Locale appLocale() {
    const auto localizations = pf::mainBundlePreferredLocalizations();
    return pf::Locale(localizations.empty() ? "en" : localizations.front());
}

} // namespace tallyfox
