#pragma once
// Widgets as an extension declares them, and as the host sees them. The extension writes a
// `WidgetBundle` whose widgets each give an `AppIntentConfiguration`: a kind, a timeline provider
// configured by an intent, the content for an entry, and the gallery's texts and families. Converting
// it to a `WidgetConfiguration` erases every type of the widget's own, so that what crosses into the
// host is made of platform types only: an erased provider whose entries carry their content as a
// `View`, and the erased entity query of the intent's one list parameter.

#include "platform/foundation/LocalizedString.hpp"
#include "platform/intents/AppIntents.hpp"
#include "platform/ui/View.hpp"
#include "platform/widgetkit/Timeline.hpp"

#include <concepts>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace platform::widgetkit {

/// What an entry shows, in words, for a host that lists a timeline: the name of the view it shows
/// and the titles that view shows (a message's title, the entries of a layout).
struct EntrySummary {
    std::string view;
    std::vector<std::string> titles;
    bool operator==(const EntrySummary&) const = default;
};

namespace detail {
/// The typed entries behind erased ones; one per request, shared by its entries.
class EntryStorage {
public:
    virtual ~EntryStorage() = default;
    virtual ui::View content(std::size_t index, WidgetFamily family) const = 0;
    virtual EntrySummary summary(std::size_t index, WidgetFamily family) const = 0;
};
} // namespace detail

/// A timeline entry with its type erased: its date, its content in a family, and what that shows.
/// The typed entry stays with the others of its request (a day of entries costs a few words each).
struct WidgetEntry {
    Date date;
    std::shared_ptr<const detail::EntryStorage> storage;
    std::size_t index = 0;

    ui::View content(WidgetFamily family) const { return storage->content(index, family); }
    EntrySummary summary(WidgetFamily family) const { return storage->summary(index, family); }
};

/// A placed widget's configuration as the host keeps it: the identifiers of the entities picked for
/// the intent's list parameter, in the user's order; absent while nothing is picked.
struct IntentConfiguration {
    std::optional<std::vector<std::string>> entityIdentifiers;
    bool operator==(const IntentConfiguration&) const = default;
};

/// A timeline provider with its entry and intent types erased. `snapshot` and `timeline` may be
/// called from any thread, several at a time.
struct AnyTimelineProvider {
    std::function<WidgetEntry(const TimelineProviderContext&)> placeholder;
    std::function<WidgetEntry(const IntentConfiguration&, const TimelineProviderContext&)> snapshot;
    std::function<Timeline<WidgetEntry>(const IntentConfiguration&, const TimelineProviderContext&)> timeline;
};

/// A widget as the host sees it.
struct WidgetConfiguration {
    std::string kind; ///< the identifier under which the host stores placed widgets
    std::string displayName;
    foundation::LocalizedStringResource description; ///< looked up when shown
    std::vector<WidgetFamily> supportedFamilies;
    foundation::LocalizedStringResource intentTitle; ///< the configuration editor's title
    foundation::LocalizedStringResource parameterTitle;
    intents::AnyEntityQuery entityQuery; ///< lists and resolves what the parameter can hold
    AnyTimelineProvider provider;
};

/// A widget: a type whose `body()` gives its configuration.
template <class W>
concept Widget = requires(const W& widget) {
    { widget.body() } -> std::convertible_to<WidgetConfiguration>;
};

/// A bundle of widgets, the type an extension's entry point starts with: its `body()` lists them.
template <class B>
concept WidgetBundle = std::default_initializable<B> && requires(const B& bundle) {
    { bundle.body() } -> std::same_as<std::vector<WidgetConfiguration>>;
};

/// A widget whose provider is configured by an intent with one list parameter of entities (the
/// configuration editor shows it; the host stores the picked entities' identifiers).
template <AppIntentTimelineProvider Provider, intents::AppEntity Entity>
    requires intents::WidgetConfigurationIntent<typename Provider::Intent> &&
             intents::EntityQuery<typename Entity::Query, Entity>
struct AppIntentConfiguration {
    using Entry = typename Provider::Entry;
    using Intent = typename Provider::Intent;

    std::string kind;
    intents::IntentParameter<std::vector<Entity>> Intent::*parameter;
    Provider provider;
    std::function<ui::View(const Entry&, WidgetFamily)> content;
    std::string displayName;
    foundation::LocalizedStringResource description;
    std::vector<WidgetFamily> supportedFamilies{WidgetFamily::systemSmall, WidgetFamily::systemMedium,
                                                WidgetFamily::systemLarge};
    /// What an entry shows, for hosts that list timelines; without one, hosts see the entry's date only.
    std::function<EntrySummary(const Entry&, WidgetFamily)> summary;

    /// Erases the widget's types.
    operator WidgetConfiguration() const;
};

namespace detail {

template <TimelineEntry Entry> class TypedEntryStorage final : public EntryStorage {
public:
    using Content = std::function<ui::View(const Entry&, WidgetFamily)>;
    using Summary = std::function<EntrySummary(const Entry&, WidgetFamily)>;
    struct Functions {
        Content content;
        Summary summary;
    };

    TypedEntryStorage(std::shared_ptr<const Functions> functions, std::vector<Entry> entries)
        : functions_(std::move(functions)), entries_(std::move(entries)) {}

    ui::View content(std::size_t index, WidgetFamily family) const override {
        return functions_->content(entries_.at(index), family);
    }
    EntrySummary summary(std::size_t index, WidgetFamily family) const override {
        return functions_->summary ? functions_->summary(entries_.at(index), family) : EntrySummary{};
    }

    /// Erased entries for all of `entries`, in order.
    static std::vector<WidgetEntry> erase(std::shared_ptr<const Functions> functions, std::vector<Entry> entries) {
        std::vector<Date> dates;
        dates.reserve(entries.size());
        for (const Entry& entry : entries) dates.push_back(entry.date);
        auto storage = std::make_shared<const TypedEntryStorage>(std::move(functions), std::move(entries));
        std::vector<WidgetEntry> erased;
        erased.reserve(dates.size());
        for (std::size_t index = 0; index < dates.size(); ++index) erased.push_back({dates[index], storage, index});
        return erased;
    }

private:
    std::shared_ptr<const Functions> functions_;
    std::vector<Entry> entries_;
};

} // namespace detail

template <AppIntentTimelineProvider Provider, intents::AppEntity Entity>
    requires intents::WidgetConfigurationIntent<typename Provider::Intent> &&
             intents::EntityQuery<typename Entity::Query, Entity>
AppIntentConfiguration<Provider, Entity>::operator WidgetConfiguration() const {
    using Storage = detail::TypedEntryStorage<Entry>;
    // One provider and one pair of functions, shared by every request and entry.
    auto shared = std::make_shared<const Provider>(provider);
    auto functions = std::make_shared<const typename Storage::Functions>(typename Storage::Functions{content, summary});
    // The host keeps identifiers; the intent holds entities, resolved through the entity's query as
    // a stored configuration is resolved when the widget is asked for its content.
    auto intent = [member = parameter](const IntentConfiguration& configuration) {
        Intent made{};
        if (configuration.entityIdentifiers)
            (made.*member).value = typename Entity::Query{}.entities(*configuration.entityIdentifiers);
        return made;
    };

    WidgetConfiguration erased{kind,
                               displayName,
                               description,
                               supportedFamilies,
                               Intent::title(),
                               (Intent{}.*parameter).title,
                               intents::eraseQuery<Entity>(),
                               {}};
    erased.provider.placeholder = [shared, functions](const TimelineProviderContext& context) {
        return Storage::erase(functions, {shared->placeholder(context)}).front();
    };
    erased.provider.snapshot = [shared, functions, intent](const IntentConfiguration& configuration,
                                                           const TimelineProviderContext& context) {
        return Storage::erase(functions, {shared->snapshot(intent(configuration), context)}).front();
    };
    erased.provider.timeline = [shared, functions, intent](const IntentConfiguration& configuration,
                                                           const TimelineProviderContext& context) {
        Timeline<Entry> typed = shared->timeline(intent(configuration), context);
        return Timeline<WidgetEntry>{Storage::erase(functions, std::move(typed.entries)), typed.policy};
    };
    return erased;
}

} // namespace platform::widgetkit
