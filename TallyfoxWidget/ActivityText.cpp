#include "TallyfoxWidget/ActivityText.hpp"

#include "TallyfoxWidget/NumberTexts.hpp"
#include "platform/foundation/LocalizedString.hpp"

namespace tallyfox {

using platform::foundation::localized;
using platform::foundation::localizedFormat;

namespace {

std::string totalLabel(UsageTotal::Kind kind) {
    switch (kind) {
    case UsageTotal::Kind::creditsUsed: return localized("Credits used", "Credits used");
    case UsageTotal::Kind::creditsRemaining: return localized("Credits remaining", "Credits remaining");
    case UsageTotal::Kind::charactersUsed: return localized("Characters used", "Characters used");
    case UsageTotal::Kind::charactersRemaining: return localized("Characters remaining", "Characters remaining");
    }
    return {};
}

} // namespace

std::optional<std::string> activityText(const WidgetProviderSnapshot& provider, bool shortForm) {
    const auto locale = appLocale();
    if (provider.tokensToday) {
        const std::string count = compactCount(*provider.tokensToday, locale);
        if (shortForm) return localizedFormat("%@ tokens", "%@ tokens", "Widget activity, e.g. 12.8M tokens", {count});
        return localizedFormat("%@ tokens today", "%@ tokens today", "Widget activity, e.g. 12.8M tokens today",
                               {count});
    }
    if (provider.creditsToday) {
        const std::string amount = creditAmount(*provider.creditsToday, locale);
        if (shortForm)
            return localizedFormat("%@ credits", "%@ credits", "Widget activity, e.g. 2.23 credits", {amount});
        return localizedFormat("%@ credits today", "%@ credits today", "Widget activity, e.g. 2.23 credits today",
                               {amount});
    }
    if (provider.totals && !provider.totals->empty()) {
        const UsageTotal& first = provider.totals->front();
        return totalLabel(first.kind) + ": " + creditAmount(first.value, locale);
    }
    return std::nullopt;
}

} // namespace tallyfox
