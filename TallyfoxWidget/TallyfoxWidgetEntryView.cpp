#include "TallyfoxWidget/TallyfoxWidgetEntryView.hpp"

#include "TallyfoxWidget/UsageWidgetLayouts.hpp"
#include "TallyfoxWidget/WidgetEnvironment.hpp"
#include "TallyfoxWidget/WidgetViews.hpp"

#include <algorithm>

namespace tallyfox {

namespace ui = platform::ui;
namespace pf = platform::foundation;

namespace {

ui::View dispatched(const TallyfoxWidgetEntry& entry, ui::WidgetFamily family) {
    if (!entry.snapshot) return WidgetMessageView{"Open Tallyfox", "Open Tallyfox to load usage data."};
    // A window that has reset by the entry's date shows no usage.
    const WidgetSnapshot snapshot = clearingElapsedUsage(*entry.snapshot, entry.date);
    WidgetSnapshot::State state = snapshot.state();
    switch (state.kind) {
    case WidgetSnapshot::State::Kind::noProvidersEnabled:
        return WidgetMessageView{"No providers enabled", "Open Tallyfox to choose providers."};
    case WidgetSnapshot::State::Kind::noProvidersDetected:
        return WidgetMessageView{"No providers detected",
                                 "Install or use a supported AI coding tool to start tracking usage."};
    case WidgetSnapshot::State::Kind::providers: break;
    }
    if (state.entries.empty())
        return WidgetMessageView{"Selected account unavailable",
                                 "Edit this widget to choose an enabled provider and account."};
    switch (family) {
    case ui::WidgetFamily::systemSmall:
        return SmallUsageWidgetView{std::move(state.entries), snapshot, entry.date,
                                    ResetTimeFormatter::autoupdating(appLocale())};
    case ui::WidgetFamily::systemLarge: return LargeUsageWidgetView{snapshot, entry.date};
    case ui::WidgetFamily::systemMedium: break;
    }
    return MediumUsageWidgetView{std::move(state.entries), snapshot, entry.date};
}

} // namespace

ui::View TallyfoxWidgetEntryView::body(const ui::Environment& environment) const {
    UsageAmountStyle style = UsageAmountStyle::remaining;
    if (entry.snapshot && entry.snapshot->usageAmountStyle()) style = *entry.snapshot->usageAmountStyle();
    return dispatched(entry, environment.widgetFamily)
        .environment<UsageAmountStyleKey>(style)
        .containerBackground(ui::ShapeStyle::system(ui::SystemColor::widgetBackground));
}

std::optional<std::string_view> languageOverride(const std::optional<WidgetSnapshot>& snapshot) {
    if (!snapshot || !snapshot->language()) return std::nullopt;
    const std::string& language = *snapshot->language();
    // "system" (the first of the list) means the platform's own language.
    const auto* found = std::find(std::begin(widgetLanguages) + 1, std::end(widgetLanguages), language);
    if (found == std::end(widgetLanguages)) return std::nullopt;
    return *found;
}

ui::View tallyfoxWidgetContent(const TallyfoxWidgetEntry& entry, ui::WidgetFamily family) {
    ui::View view = ui::View(TallyfoxWidgetEntryView{entry}).widgetFamily(family);
    const auto language = languageOverride(entry.snapshot);
    if (!language) return view;
    const pf::Locale locale{std::string(*language)};
    return view.locale(locale).layoutDirection(locale.isRightToLeft() ? ui::LayoutDirection::rightToLeft
                                                                      : ui::LayoutDirection::leftToRight);
}

} // namespace tallyfox
