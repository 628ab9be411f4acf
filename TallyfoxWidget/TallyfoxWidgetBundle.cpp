#include "TallyfoxWidget/TallyfoxWidgetBundle.hpp"

#include "TallyfoxWidget/TallyfoxWidgetEntryView.hpp"
#include "TallyfoxWidget/WidgetEntrySummary.hpp"
#include "platform/foundation/Localization.hpp"
#include "platform/widgetkit/WidgetExtension.hpp"

namespace tallyfox {

namespace pf = platform::foundation;
namespace ui = platform::ui;
namespace wk = platform::widgetkit;

namespace {

// The extension is the main bundle of its process once its entry point has run.
std::optional<pf::Bundle> mainBundle() {
    const auto resources = pf::mainBundleInfo().resourcesDirectory;
    if (resources.empty()) return std::nullopt;
    return pf::Bundle::open(resources.parent_path().parent_path());
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
            EntrySummarizer{}};
}

std::vector<wk::WidgetConfiguration> TallyfoxWidgetBundle::body() const { return {TallyfoxWidget{}.body()}; }

} // namespace tallyfox

WIDGET_EXTENSION_MAIN(tallyfox::TallyfoxWidgetBundle)
