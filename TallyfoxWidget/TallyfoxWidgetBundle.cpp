#include "TallyfoxWidget/TallyfoxWidgetBundle.hpp"

#include "TallyfoxWidget/TallyfoxWidgetEntryView.hpp"
#include "platform/foundation/Localization.hpp"
#include "platform/foundation/LocalizedString.hpp"
#include "platform/widgetkit/WidgetExtension.hpp"

#include <cstddef>
#include <string_view>

namespace tallyfox {

namespace pf = platform::foundation;
namespace ui = platform::ui;
namespace wk = platform::widgetkit;

namespace {

// How many entries each layout shows at most.
constexpr std::size_t smallEntryLimit = 3;
constexpr std::size_t mediumEntryLimit = 4;
constexpr std::size_t largeEntryLimit = 4;

// The extension is the main bundle of its process once its entry point has run.
std::optional<pf::Bundle> mainBundle() {
    const auto resources = pf::mainBundleInfo().resourcesDirectory;
    if (resources.empty()) return std::nullopt;
    return pf::Bundle::open(resources.parent_path().parent_path());
}

// A message's title as the entry shows it: in the snapshot's language when it names one.
wk::EntrySummary message(const TallyfoxWidgetEntry& entry, std::string_view title) {
    const auto language = languageOverride(entry.snapshot);
    std::string shown = language ? pf::localized(title, title, {}, pf::Locale(std::string(*language)))
                                 : pf::localized(title, title);
    return {"WidgetMessageView", {std::move(shown)}};
}

} // namespace

std::string widgetDisplayName(const std::optional<pf::Bundle>& bundle) {
    if (bundle)
        if (auto name = bundle->infoString("CFBundleDisplayName")) return *name;
    return "Tallyfox";
}

wk::AppIntentConfiguration<TallyfoxTimelineProvider, WidgetSourceEntity> TallyfoxWidget::body() const {
    return {kind,
            &WidgetSelectionIntent::sources,
            TallyfoxTimelineProvider::make(),
            tallyfoxWidgetContent,
            widgetDisplayName(mainBundle()),
            platform::intents::localizedResource("What’s left of your AI coding limits, at a glance."),
            {ui::WidgetFamily::systemSmall, ui::WidgetFamily::systemMedium, ui::WidgetFamily::systemLarge},
            entrySummary};
}

std::vector<wk::WidgetConfiguration> TallyfoxWidgetBundle::body() const { return {TallyfoxWidget{}.body()}; }

wk::EntrySummary entrySummary(const TallyfoxWidgetEntry& entry, ui::WidgetFamily family) {
    // The same order of cases as the entry view's.
    if (!entry.snapshot) return message(entry, "Open Tallyfox");
    const WidgetSnapshot snapshot = clearingElapsedUsage(*entry.snapshot, entry.date);
    switch (snapshot.stateKind()) {
    case WidgetSnapshot::State::Kind::noProvidersEnabled: return message(entry, "No providers enabled");
    case WidgetSnapshot::State::Kind::noProvidersDetected: return message(entry, "No providers detected");
    case WidgetSnapshot::State::Kind::providers: break;
    }
    if (snapshot.providerCount() == 0) return message(entry, "Selected account unavailable");

    wk::EntrySummary summary;
    std::size_t limit = mediumEntryLimit;
    switch (family) {
    case ui::WidgetFamily::systemSmall:
        summary.view = "SmallUsageWidgetView";
        limit = smallEntryLimit;
        break;
    case ui::WidgetFamily::systemLarge:
        summary.view = "LargeUsageWidgetView";
        limit = largeEntryLimit;
        break;
    case ui::WidgetFamily::systemMedium: summary.view = "MediumUsageWidgetView"; break;
    }
    for (const WidgetProviderSnapshot& provider : topProviders(snapshot, limit))
        summary.titles.push_back(displayTitle(provider));
    return summary;
}

} // namespace tallyfox

WIDGET_EXTENSION_MAIN(tallyfox::TallyfoxWidgetBundle)
