#include "TallyfoxWidget/UsageWidgetLayouts.hpp"

#include "TallyfoxWidget/ActivityText.hpp"
#include "TallyfoxWidget/TallyfoxTimelineProvider.hpp"
#include "TallyfoxWidget/UsageProgressView.hpp"
#include "TallyfoxWidget/WidgetActivityChart.hpp"
#include "TallyfoxWidget/WidgetEnvironment.hpp"
#include "TallyfoxWidget/WidgetSelectionIntent.hpp"
#include "TallyfoxWidget/WidgetTimeViews.hpp"
#include "TallyfoxWidget/WidgetViews.hpp"

#include <algorithm>

namespace tallyfox {

namespace ui = platform::ui;
using ui::Font;
using ui::ShapeStyle;
using ui::Text;
using ui::TextStyle;

namespace {

/// Rows make their reset texts in the app's locale with the user's calendar and time zone.
ResetTimeFormatter rowFormatter() { return ResetTimeFormatter::autoupdating(appLocale()); }

ui::View providerName(const WidgetProviderSnapshot& provider, TextStyle style, Date now) {
    return WidgetProviderName{provider.provider, displayTitle(provider), Font(style), provider.updatedAt, now};
}

ui::View fullWidth(ui::View view, ui::Alignment alignment = ui::Alignment::leading) {
    return view.frame(ui::FrameBounds{.maxWidth = ui::infinity, .alignment = alignment});
}

// MARK: Small

/// The one entry of a small widget in detail; its parts join the layout's own stack.
std::vector<ui::View> singleEntryContent(const WidgetProviderSnapshot& provider, Date now) {
    std::vector<ui::View> parts{providerName(provider, TextStyle::callout, now)};
    std::optional<UsageWindow> shown = primaryWindow(provider.windows);
    if (!shown && !provider.windows.empty()) shown = orderedWindows(provider).front();
    if (shown) {
        parts.push_back(WidgetRemainingLabel{shown->usage, Font(TextStyle::title2), true, false});
        parts.push_back(UsageProgressView{shown->usage, 4});
        parts.push_back(ui::View(localizedText(lengthTitleKey(shown->kind)))
                            .font(Font(TextStyle::caption))
                            .foregroundStyle(ShapeStyle::secondary()));
        if (shown->resetsAt) {
            parts.push_back(ui::View(WidgetResetLabel{*shown->resetsAt, now})
                                .font(Font(TextStyle::caption2))
                                .foregroundStyle(ShapeStyle::tertiary()));
        }
        return parts;
    }
    if (!hasTotals(provider)) parts.push_back(WidgetUnavailableLabel{});
    parts.push_back(ui::View(WidgetActivityLabel{provider, false})
                        .font(Font(TextStyle::caption2))
                        .foregroundStyle(ShapeStyle::secondary()));
    if (provider.recentDays) {
        parts.push_back(ui::Spacer(0));
        parts.push_back(WidgetActivityChart{*provider.recentDays, 22});
    }
    return parts;
}

ui::View compactRow(const WidgetProviderSnapshot& provider, Date now, const ResetTimeFormatter& formatter,
                    UsageAmountStyle style) {
    const std::optional<UsageWindow> primary = primaryWindow(provider.windows);
    std::vector<ui::View> line{providerName(provider, TextStyle::caption, now), ui::Spacer(4)};
    if (primary) {
        line.push_back(ui::View(WidgetRemainingLabel{primary->usage, Font(TextStyle::caption), false, true})
                           .fixedSize(true, false));
    }
    std::vector<ui::View> lines{ui::HStack(ui::VerticalAlignment::firstTextBaseline, std::nullopt, std::move(line))};
    if (primary) {
        lines.push_back(UsageProgressView{primary->usage, 4});
    } else if (provider.recentDays) {
        lines.push_back(WidgetActivityChart{*provider.recentDays, 10});
    } else if (hasTotals(provider)) {
        lines.push_back(ui::View(WidgetActivityLabel{provider, false})
                            .font(Font(TextStyle::caption2))
                            .foregroundStyle(ShapeStyle::secondary())
                            .lineLimit(1)
                            .minimumScaleFactor(0.7));
    } else {
        lines.push_back(WidgetUnavailableLabel{});
    }

    Text value = Text::localized("Usage limits unavailable");
    if (primary && primary->usage) {
        value = Text::verbatim(usageAccessibilityValue(style, *primary->usage, primary->resetsAt, now, formatter));
    } else if (const auto activity = activityText(provider, false)) {
        value = Text::verbatim(*activity);
    }
    return ui::VStack(ui::HorizontalAlignment::leading, 3, std::move(lines))
        .accessibilityElement(ui::AccessibilityChildBehavior::ignore)
        .accessibilityLabel(Text::verbatim(displayTitle(provider)))
        .accessibilityValue(value);
}

/// "Next reset" and a countdown to the earliest upcoming reset; nothing without one.
ui::View nextResetLine(const WidgetSnapshot& snapshot, Date now) {
    const auto next = nextReset(snapshot, now);
    if (!next) return ui::EmptyView();
    return ui::HStack(ui::VerticalAlignment::firstTextBaseline, std::nullopt,
                      {
                          Text::localized("Next reset")
                              .font(Font(TextStyle::caption2))
                              .foregroundStyle(ShapeStyle::secondary()),
                          ui::Spacer(4),
                          ui::View(WidgetCountdown{next->date, now})
                              .font(Font(TextStyle::caption).withWeight(ui::FontWeight::medium).withMonospacedDigit()),
                      })
        .accessibilityElement(ui::AccessibilityChildBehavior::combine);
}

// MARK: Medium and large

std::vector<ui::View> windowRows(const WidgetProviderSnapshot& provider, Date now, bool equalWidths) {
    std::vector<ui::View> rows;
    std::vector<UsageWindow> windows = orderedWindows(provider);
    if (windows.size() > windowsPerEntryLimit) windows.resize(windowsPerEntryLimit);
    const ResetTimeFormatter formatter = rowFormatter();
    for (const UsageWindow& window : windows) {
        ui::View row = WidgetWindowRow{window, now, true, formatter};
        rows.push_back(equalWidths ? fullWidth(row, ui::Alignment::topLeading) : row);
    }
    return rows;
}

ui::View mediumColumn(const WidgetProviderSnapshot& provider, Date now) {
    std::vector<ui::View> parts{providerName(provider, TextStyle::subheadline, now)};
    std::vector<ui::View> rows = windowRows(provider, now, false);
    const std::size_t shownWindows = rows.size();
    if (rows.empty()) {
        if (!hasTotals(provider)) parts.push_back(WidgetUnavailableLabel{});
        parts.push_back(ui::View(WidgetActivityLabel{provider, false})
                            .font(Font(TextStyle::caption2))
                            .foregroundStyle(ShapeStyle::secondary()));
    } else {
        for (auto& row : rows) parts.push_back(std::move(row));
    }
    parts.push_back(ui::Spacer(0));
    if (shownWindows < windowsPerEntryLimit && provider.recentDays)
        parts.push_back(WidgetActivityChart{*provider.recentDays, 16});
    return fullWidth(ui::VStack(ui::HorizontalAlignment::leading, 6, std::move(parts)), ui::Alignment::topLeading);
}

ui::View largeBlock(const WidgetProviderSnapshot& provider, Date now) {
    std::vector<ui::View> parts{providerName(provider, TextStyle::subheadline, now)};
    std::vector<ui::View> rows = windowRows(provider, now, true);
    if (!rows.empty()) {
        parts.push_back(ui::HStack(ui::VerticalAlignment::top, 16, std::move(rows)));
    } else {
        parts.push_back(ui::View(WidgetActivityLabel{provider, false})
                            .font(Font(TextStyle::caption2))
                            .foregroundStyle(ShapeStyle::secondary()));
        if (!activityText(provider, false)) parts.push_back(WidgetUnavailableLabel{});
    }
    return ui::VStack(ui::HorizontalAlignment::leading, 4, std::move(parts));
}

} // namespace

std::optional<Date> staleHeaderDate(const WidgetSnapshot& snapshot, Date now, std::size_t limit) {
    std::vector<Date> dates;
    for (const auto& provider : topProviders(snapshot, limit))
        if (provider.updatedAt) dates.push_back(*provider.updatedAt);
    const Date oldest = earliest(dates).value_or(snapshot.generatedAt());
    if (!isStale(oldest, now)) return std::nullopt;
    return oldest;
}

std::vector<UsageWindow> orderedWindows(const WidgetProviderSnapshot& provider) {
    std::vector<UsageWindow> windows = provider.windows;
    std::stable_sort(windows.begin(), windows.end());
    return windows;
}

ui::View SmallUsageWidgetView::body(const ui::Environment& environment) const {
    std::vector<ui::View> children{WidgetHeader{staleHeaderDate(snapshot, now, smallEntryLimit), now, true}};
    if (providers.size() == 1) {
        for (auto& part : singleEntryContent(providers.front(), now)) children.push_back(std::move(part));
    } else {
        const UsageAmountStyle style = environment.value<UsageAmountStyleKey>();
        for (const auto& provider : topProviders(snapshot, smallEntryLimit))
            children.push_back(compactRow(provider, now, formatter, style));
        children.push_back(ui::Spacer(0));
        if (providers.size() == 2) children.push_back(nextResetLine(snapshot, now));
    }
    return ui::VStack(ui::HorizontalAlignment::leading, 8, std::move(children));
}

ui::View MediumUsageWidgetView::body(const ui::Environment&) const {
    std::vector<ui::View> children{WidgetHeader{staleHeaderDate(snapshot, now, mediumEntryLimit), now, false}};
    if (providers.size() > 2) {
        std::vector<ui::View> rows;
        const ResetTimeFormatter formatter = rowFormatter();
        for (const auto& provider : topProviders(snapshot, mediumEntryLimit))
            rows.push_back(WidgetProviderRow{provider, now, formatter});
        children.push_back(ui::Spacer(0));
        children.push_back(ui::VStack(ui::HorizontalAlignment::leading, 14, std::move(rows)));
    } else {
        std::vector<ui::View> columns;
        for (const auto& provider : providers) columns.push_back(mediumColumn(provider, now));
        children.push_back(ui::HStack(ui::VerticalAlignment::top, 16, std::move(columns)));
    }
    children.push_back(ui::Spacer(0));
    return ui::VStack(ui::HorizontalAlignment::leading, 8, std::move(children));
}

ui::View LargeUsageWidgetView::body(const ui::Environment&) const {
    std::vector<ui::View> children{WidgetHeader{staleHeaderDate(snapshot, now, largeEntryLimit), now, false}};
    for (const auto& provider : topProviders(snapshot, largeEntryLimit)) children.push_back(largeBlock(provider, now));
    children.push_back(ui::Spacer(0));
    return ui::VStack(ui::HorizontalAlignment::leading, 10, std::move(children));
}

} // namespace tallyfox
