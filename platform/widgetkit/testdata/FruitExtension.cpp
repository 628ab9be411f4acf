// A small widget extension for the loader's tests: one widget whose entries list the fruits chosen
// in its configuration. Built three ways: as it should be, without its entry point, and for another
// version of the boundary.
#include "platform/widgetkit/WidgetExtension.hpp"

#include <string>
#include <vector>

namespace {

namespace intents = platform::intents;
namespace ui = platform::ui;
namespace wk = platform::widgetkit;
using platform::foundation::Date;

struct FruitQuery;
struct Fruit {
    using Query = FruitQuery;
    std::string id;
    static intents::TypeDisplayRepresentation typeDisplayRepresentation() {
        return {intents::localizedResource("Fruit")};
    }
    intents::DisplayRepresentation displayRepresentation() const { return {"Fresh " + id, {}, {}}; }
};
struct FruitQuery {
    std::vector<Fruit> suggestedEntities() const { return {{"apple"}, {"pear"}}; }
    std::vector<Fruit> entities(const std::vector<std::string>& ids) const {
        std::vector<Fruit> found;
        for (const auto& id : ids) found.push_back({id == "kiwi" ? "unknown" : id});
        return found;
    }
};

struct FruitIntent {
    intents::IntentParameter<std::vector<Fruit>> fruits{intents::localizedResource("Fruits"), std::nullopt};
    static intents::LocalizedStringResource title() { return intents::localizedResource("Pick fruit"); }
    intents::IntentResult perform() const { return {}; }
};

struct FruitEntry {
    Date date;
    std::vector<std::string> fruits;
};

struct FruitProvider {
    using Entry = FruitEntry;
    using Intent = FruitIntent;
    static std::vector<std::string> chosen(const Intent& intent) {
        std::vector<std::string> ids;
        if (intent.fruits.value)
            for (const auto& fruit : *intent.fruits.value) ids.push_back(fruit.id);
        return ids;
    }
    Entry placeholder(const wk::TimelineProviderContext&) const { return {Date{0}, {"placeholder"}}; }
    Entry snapshot(const Intent& intent, const wk::TimelineProviderContext&) const {
        return {platform::foundation::Clock::now(), chosen(intent)};
    }
    wk::Timeline<Entry> timeline(const Intent& intent, const wk::TimelineProviderContext& context) const {
        auto later = chosen(intent);
        later.push_back(std::string(wk::name(context.family)));
        return {{{Date{10}, chosen(intent)}, {Date{20}, later}}, wk::TimelineReloadPolicy::after(Date{30})};
    }
};

struct FruitWidget {
    wk::AppIntentConfiguration<FruitProvider, Fruit> body() const {
        return {"FruitWidget",
                &FruitIntent::fruits,
                FruitProvider{},
                [](const FruitEntry& entry, ui::WidgetFamily) {
                    std::string text;
                    for (const auto& fruit : entry.fruits) text += (text.empty() ? "" : ", ") + fruit;
                    return ui::View(ui::Text::verbatim(text));
                },
                "Fruit",
                intents::localizedResource("Fresh fruit"),
                {ui::WidgetFamily::systemSmall},
                [](const FruitEntry& entry, ui::WidgetFamily) { return wk::EntrySummary{"FruitView", entry.fruits}; }};
    }
};

struct FruitBundle {
    std::vector<wk::WidgetConfiguration> body() const { return {FruitWidget{}.body()}; }
};

} // namespace

#if defined(FRUIT_WITHOUT_ENTRY)
extern "C" __attribute__((visibility("default"))) int fruitWithoutEntry() { return 1; }
#elif defined(FRUIT_OTHER_ABI)
extern "C" {
extern __attribute__((visibility("default"))) const PlatformWidgetExtensionEntry platformWidgetExtensionEntry;
}
const PlatformWidgetExtensionEntry platformWidgetExtensionEntry{wk::widgetExtensionABIVersion + 1,
                                                                &wk::widgetExtensionMain<FruitBundle>};
#else
WIDGET_EXTENSION_MAIN(FruitBundle)
#endif
