#pragma once
// Configuration intents: entities a user picks from, the query that lists them, and the intent that
// holds the pick with each placed widget.

#include "platform/foundation/LocalizedString.hpp"

#include <concepts>
#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace platform::intents {

using platform::foundation::LocalizedStringResource;

/// A string-table text whose key is also its English default.
LocalizedStringResource localizedResource(std::string key, std::string comment = {});

/// A text of the configuration editor: shown as it is (a string), or looked up in the string table
/// when it is shown (a resource).
using IntentText = std::variant<std::string, LocalizedStringResource>;
/// The text as the editor shows it now, in the process's language.
std::string resolved(const IntentText& text);

/// How one entity appears in the editor's list.
struct DisplayRepresentation {
    IntentText title;
    std::optional<IntentText> subtitle;
    std::optional<std::string> image; ///< a symbol or asset name

    bool operator==(const DisplayRepresentation&) const = default;
};

/// How the entity type is named in the editor.
struct TypeDisplayRepresentation {
    LocalizedStringResource name;
    bool operator==(const TypeDisplayRepresentation&) const = default;
};

/// Something a user can pick in a configuration: identified by a string `id` that the host stores,
/// presented through `displayRepresentation()`, listed and resolved by its `Query`.
template <class E>
concept AppEntity = std::copy_constructible<E> && requires(const E& entity) {
    { entity.id } -> std::convertible_to<std::string>;
    { E::typeDisplayRepresentation() } -> std::same_as<TypeDisplayRepresentation>;
    { entity.displayRepresentation() } -> std::same_as<DisplayRepresentation>;
    typename E::Query;
};

/// Lists the entities that can be picked now, and turns stored identifiers back into entities.
/// The host calls these from its own threads.
template <class Q, class E>
concept EntityQuery = std::default_initializable<Q> && requires(const Q& query, const std::vector<std::string>& ids) {
    { query.suggestedEntities() } -> std::same_as<std::vector<E>>;
    { query.entities(ids) } -> std::same_as<std::vector<E>>;
};

/// The full list the editor offers: the query's own `results()` when it has one, else its suggestions.
template <class Q> auto results(const Q& query) {
    if constexpr (requires { query.results(); })
        return query.results();
    else
        return query.suggestedEntities();
}

/// One parameter of an intent, with its title in the editor. An absent value is "not set".
template <class Value> struct IntentParameter {
    LocalizedStringResource title;
    std::optional<Value> value;
};

/// What performing an intent gives back; configuration intents give back nothing.
struct IntentResult {
    bool operator==(const IntentResult&) const = default;
};

/// An intent that configures a widget: it has a title and can be performed (usually doing nothing).
template <class I>
concept WidgetConfigurationIntent = std::copy_constructible<I> && requires(const I& intent) {
    { I::title() } -> std::same_as<LocalizedStringResource>;
    { intent.perform() } -> std::same_as<IntentResult>;
};

/// An entity with its type erased, as the host lists and stores it.
struct EntityDescription {
    std::string id;
    DisplayRepresentation display;
    bool operator==(const EntityDescription&) const = default;
};

/// An entity query with its entity type erased, for hosts that know entities only by identifier.
struct AnyEntityQuery {
    TypeDisplayRepresentation type;
    std::function<std::vector<EntityDescription>()> results;
    std::function<std::vector<EntityDescription>(const std::vector<std::string>&)> entities;
};

/// Describes an entity for the host.
template <AppEntity E> EntityDescription describe(const E& entity) {
    return {std::string(entity.id), entity.displayRepresentation()};
}

/// Erases the query of an entity type. Each call makes a fresh query, as the host would.
template <AppEntity E>
    requires EntityQuery<typename E::Query, E>
AnyEntityQuery eraseQuery() {
    auto describeAll = [](const std::vector<E>& entities) {
        std::vector<EntityDescription> described;
        described.reserve(entities.size());
        for (const E& entity : entities) described.push_back(describe(entity));
        return described;
    };
    return AnyEntityQuery{
        E::typeDisplayRepresentation(),
        [describeAll] { return describeAll(results(typename E::Query{})); },
        [describeAll](const std::vector<std::string>& ids) { return describeAll(typename E::Query{}.entities(ids)); },
    };
}

} // namespace platform::intents
