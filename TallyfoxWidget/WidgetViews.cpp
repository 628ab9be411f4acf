#include "TallyfoxWidget/WidgetViews.hpp"

#include "TallyfoxWidget/NumberTexts.hpp"
#include "TallyfoxWidget/ProviderLogo.hpp"
#include "TallyfoxWidget/TallyfoxSymbolShape.hpp"
#include "TallyfoxWidget/UsageProgressView.hpp"
#include "TallyfoxWidget/WidgetActivityChart.hpp"
#include "TallyfoxWidget/WidgetEnvironment.hpp"
#include "TallyfoxWidget/WidgetSelectionIntent.hpp"
#include "TallyfoxWidget/WidgetTimeViews.hpp"
#include "TallyfoxWidget/ActivityText.hpp"

#include <cmath>

namespace tallyfox {

namespace ui = platform::ui;
namespace pf = platform::foundation;
using ui::Font;
using ui::ShapeStyle;
using ui::Text;
using ui::TextStyle;

namespace {

/// The header's product mark is drawn 10 points high at its own proportions.
constexpr double headerMarkHeight = 10;
constexpr double headerMarkAspectRatio = 0.9791687836601972;


/// The activity text as the label shows it, in the view's locale; nothing without activity.
std::optional<Text> activityLabelText(const WidgetProviderSnapshot& provider, bool shortForm,
                                      const pf::Locale& locale) {
    if (provider.tokensToday) {
        const std::string count = compactCount(*provider.tokensToday, locale);
        if (shortForm) return Text::localized("%@ tokens", {count}, "%@ tokens", "Widget activity, e.g. 12.8M tokens");
        return Text::localized("%@ tokens today", {count}, "%@ tokens today",
                               "Widget activity, e.g. 12.8M tokens today");
    }
    if (provider.creditsToday) {
        const std::string amount = creditAmount(*provider.creditsToday, locale);
        if (shortForm)
            return Text::localized("%@ credits", {amount}, "%@ credits", "Widget activity, e.g. 2.23 credits");
        return Text::localized("%@ credits today", {amount}, "%@ credits today",
                               "Widget activity, e.g. 2.23 credits today");
    }
    if (provider.totals && !provider.totals->empty()) {
        // Only the first total is shown; the short form makes no difference here.
        const UsageTotal& total = provider.totals->front();
        const std::string amount = creditAmount(total.value, locale);
        switch (total.kind) {
        case UsageTotal::Kind::creditsUsed: return Text::localized("%@ credits used", {amount});
        case UsageTotal::Kind::creditsRemaining: return Text::localized("%@ credits remaining", {amount});
        case UsageTotal::Kind::charactersUsed: return Text::localized("%@ characters used", {amount});
        case UsageTotal::Kind::charactersRemaining: return Text::localized("%@ characters remaining", {amount});
        }
    }
    return std::nullopt;
}

Text usageLimitsUnavailable() { return Text::localized("Usage limits unavailable"); }

} // namespace

Text localizedText(const pf::LocalizedStringResource& resource) {
    std::vector<ui::TextArgument> arguments;
    arguments.reserve(resource.arguments.size());
    for (const auto& argument : resource.arguments)
        std::visit([&](const auto& value) { arguments.emplace_back(value); }, argument);
    return Text::localized(resource.key, std::move(arguments), resource.defaultValue, resource.comment);
}

bool hasTotals(const WidgetProviderSnapshot& provider) { return provider.totals && !provider.totals->empty(); }

bool isStale(Date updatedAt, Date now) { return now.timeIntervalSince(updatedAt) > staleAfterSeconds; }

std::string usageAccessibilityValue(UsageAmountStyle style, UsagePercentage usage, const std::optional<Date>& resetsAt,
                                    Date now, const ResetTimeFormatter& formatter) {
    std::string value = amountText(style, usage);
    if (resetsAt) value += ", " + formatter.resetDescription(*resetsAt, now);
    return value;
}

std::optional<std::string> levelSymbolName(UsagePercentage usage) {
    const double rounded = std::round(usage.value); // halves away from zero
    if (rounded >= 95) return "exclamationmark.triangle.fill";
    if (rounded >= 85) return "exclamationmark.circle.fill";
    return std::nullopt;
}

// MARK: Message and header

ui::View WidgetMessageView::body(const ui::Environment&) const {
    return ui::VStack(ui::HorizontalAlignment::leading, 6,
                      {
                          WidgetHeader{std::nullopt, pf::Clock::now(), false},
                          ui::Spacer(0),
                          Text::localized(title).font(Font(TextStyle::callout).semibold()),
                          Text::localized(message)
                              .font(Font(TextStyle::caption))
                              .foregroundStyle(ShapeStyle::secondary())
                              .lineLimit(std::nullopt)
                              .fixedSize(false, true),
                          ui::Spacer(0),
                      })
        .frame(ui::FrameBounds{.maxWidth = ui::infinity, .alignment = ui::Alignment::leading})
        .accessibilityElement(ui::AccessibilityChildBehavior::combine);
}

ui::View WidgetHeader::body(const ui::Environment&) const {
    std::vector<ui::View> children{
        TallyfoxSymbolShape{}
            .shape()
            .fill(ShapeStyle::secondary())
            .aspectRatio(headerMarkAspectRatio, ui::ContentMode::fit)
            .frame(std::nullopt, headerMarkHeight),
        Text::verbatim("Tallyfox")
            .font(Font(TextStyle::caption).semibold())
            .foregroundStyle(ShapeStyle::secondary())
            .fixedSize(true, false),
        ui::Spacer(4),
    };
    if (updatedAt) {
        children.push_back(ui::View(WidgetUpdatedLabel{*updatedAt, now, compactNote})
                               .font(Font(TextStyle::caption2))
                               .foregroundStyle(ShapeStyle::tertiary())
                               .lineLimit(1));
    }
    return ui::HStack(ui::VerticalAlignment::center, 5, std::move(children))
        .accessibilityElement(ui::AccessibilityChildBehavior::combine);
}

// MARK: Labels

ui::View WidgetRemainingLabel::body(const ui::Environment& environment) const {
    const UsageAmountStyle style = environment.value<UsageAmountStyleKey>();
    std::vector<ui::View> children;
    if (showsLevelSymbol && usage) {
        if (const auto symbol = levelSymbolName(*usage)) {
            const bool critical = *symbol == "exclamationmark.triangle.fill";
            children.push_back(ui::Image::system(*symbol)
                                   .font(Font(TextStyle::caption2))
                                   .foregroundStyle(critical ? ShapeStyle::red() : ShapeStyle::orange())
                                   .accessibilityHidden());
        }
    }
    if (!usage) {
        children.push_back(
            Text::verbatim("—").font(font.semibold()).foregroundStyle(ShapeStyle::secondary()));
        return ui::HStack(ui::VerticalAlignment::center, 3, std::move(children));
    }
    children.push_back(Text::verbatim(amountPercentText(style, *usage)).font(font.semibold().withMonospacedDigit()));
    const bool remaining = style == UsageAmountStyle::remaining;
    const Text unit = compact     ? (remaining ? Text::localized("unit.left.short", {}, "left",
                                                                 "Follows a remaining percentage where space is tight, "
                                                                     "e.g. 58% left; abbreviate if needed")
                                               : Text::localized("unit.used.short", {}, "used",
                                                                 "Follows a used percentage where space is tight, "
                                                                     "e.g. 42% used; abbreviate if needed"))
                      : remaining ? Text::localized("left", {}, "left", "Follows a remaining percentage, e.g. 58% left")
                                  : Text::localized("used", {}, "used", "Follows a used percentage, e.g. 42% used");
    children.push_back(unit.font(Font(TextStyle::caption)).foregroundStyle(ShapeStyle::secondary()).lineLimit(1));
    return ui::HStack(ui::VerticalAlignment::center, 3, std::move(children));
}

ui::View WidgetActivityLabel::body(const ui::Environment& environment) const {
    if (auto text = activityLabelText(provider, shortForm, environment.locale)) return *text;
    return ui::EmptyView();
}

ui::View WidgetUnavailableLabel::body(const ui::Environment&) const {
    return usageLimitsUnavailable()
        .font(Font(TextStyle::caption))
        .foregroundStyle(ShapeStyle::secondary())
        .lineLimit(2)
        .minimumScaleFactor(0.9);
}

ui::View WidgetProviderName::body(const ui::Environment& environment) const {
    std::vector<ui::View> children{
        // The logo only repeats the name: screen readers read the name alone.
        ui::View(ProviderLogo{provider}).frame(12, 12).accessibilityHidden(),
        Text::verbatim(name ? *name : definition(provider).displayName)
            .font(font.semibold())
            .lineLimit(1)
            .minimumScaleFactor(0.85),
    };
    if (updatedAt && now && isStale(*updatedAt, *now)) {
        const Text updated = Text::localized("Updated %@", {ui::textArgument(Text::relative(*updatedAt))});
        children.push_back(ui::Image::system("clock")
                               .font(Font(TextStyle::caption2))
                               .foregroundStyle(ShapeStyle::secondary())
                               .help(updated.resolve(environment))
                               .accessibilityLabel(updated));
    }
    return ui::HStack(ui::VerticalAlignment::center, 5, std::move(children))
        .accessibilityElement(ui::AccessibilityChildBehavior::combine);
}

// MARK: Rows

ui::View WidgetWindowRow::body(const ui::Environment& environment) const {
    const UsageAmountStyle style = environment.value<UsageAmountStyleKey>();
    std::vector<ui::View> title{localizedText(lengthTitleKey(window.kind))};
    if (window.scope) title.push_back(Text::verbatim(" · " + *window.scope));

    std::vector<ui::View> lines{
        ui::HStack(ui::VerticalAlignment::firstTextBaseline, std::nullopt,
                   {
                       ui::HStack(ui::VerticalAlignment::center, 0, std::move(title))
                           .font(Font(TextStyle::caption))
                           .foregroundStyle(ShapeStyle::secondary())
                           .lineLimit(1),
                       ui::Spacer(6),
                       // The percentage is the row's point: a long title gives way to it, never the reverse.
                       ui::View(WidgetRemainingLabel{window.usage, Font(TextStyle::caption), true, false})
                           .fixedSize(true, false),
                   }),
        UsageProgressView{window.usage, 4},
    };
    if (showsResetLine && window.resetsAt) {
        lines.push_back(ui::View(WidgetResetLabel{*window.resetsAt, now})
                            .font(Font(TextStyle::caption2))
                            .foregroundStyle(ShapeStyle::tertiary())
                            .lineLimit(1));
    }
    const Text value =
        window.usage ? Text::verbatim(usageAccessibilityValue(style, *window.usage, window.resetsAt, now, formatter))
                     : Text::localized("Unavailable");
    return ui::VStack(ui::HorizontalAlignment::leading, 3, std::move(lines))
        .accessibilityElement(ui::AccessibilityChildBehavior::ignore)
        .accessibilityLabel(Text::verbatim(usageTitle(window)))
        .accessibilityValue(value);
}

ui::View WidgetProviderRow::body(const ui::Environment& environment) const {
    const UsageAmountStyle style = environment.value<UsageAmountStyleKey>();
    const std::string title = displayTitle(provider);
    std::vector<ui::View> children{
        ui::View(WidgetProviderName{provider.provider, title, Font(TextStyle::caption), provider.updatedAt, now})
            .frame(94, std::nullopt, ui::Alignment::leading),
    };
    Text value = Text::verbatim("");
    if (const auto primary = primaryWindow(provider.windows)) {
        children.push_back(UsageProgressView{primary->usage, 4});
        children.push_back(ui::View(WidgetRemainingLabel{primary->usage, Font(TextStyle::caption), true, true})
                               .frame(74, std::nullopt, ui::Alignment::trailing));
        children.push_back(ui::View(WidgetCountdown{primary->resetsAt, now})
                               .font(Font(TextStyle::caption2).withMonospacedDigit())
                               .foregroundStyle(ShapeStyle::tertiary())
                               .lineLimit(1)
                               .minimumScaleFactor(0.7)
                               .frame(50, std::nullopt, ui::Alignment::trailing));
        // A primary window always reports a usage.
        value = Text::verbatim(primary->usage ? usageAccessibilityValue(style, *primary->usage, primary->resetsAt, now,
                                                                       formatter)
                                              : std::string());
    } else {
        if (provider.recentDays) {
            children.push_back(WidgetActivityChart{*provider.recentDays, 12});
        } else if (!hasTotals(provider)) {
            children.push_back(Text::localized("Limits unavailable", {}, "Limits unavailable",
                                               "Widget row for a provider that reports no usage limits")
                                   .font(Font(TextStyle::caption))
                                   .foregroundStyle(ShapeStyle::secondary())
                                   .lineLimit(1));
            children.push_back(ui::Spacer(4));
        }
        children.push_back(ui::View(WidgetActivityLabel{provider, true})
                               .font(Font(TextStyle::caption2).withMonospacedDigit())
                               .foregroundStyle(ShapeStyle::tertiary())
                               .lineLimit(1)
                               .fixedSize());
        const auto activity = activityText(provider, false);
        value = activity ? Text::verbatim(*activity) : usageLimitsUnavailable();
    }
    return ui::HStack(ui::VerticalAlignment::center, 10, std::move(children))
        .accessibilityElement(ui::AccessibilityChildBehavior::ignore)
        .accessibilityLabel(Text::verbatim(title))
        .accessibilityValue(value);
}

} // namespace tallyfox
