#pragma once
// The widget's configuration: which providers and accounts a placed widget shows, in which order.

#include "platform/intents/AppIntents.hpp"
#include "snapshot/WidgetSnapshot.hpp"

#include <string>
#include <vector>

namespace tallyfox {

struct WidgetSourceQuery;

/// One provider and account a user can pick; identified like the snapshot entry it stands for.
struct WidgetSourceEntity {
    using Query = WidgetSourceQuery;

    std::string id;   ///< the entry's identity (selectionID, or provider · account, or provider)
    std::string name; ///< the entry's `displayTitle`, shown verbatim in the picker

    static platform::intents::TypeDisplayRepresentation typeDisplayRepresentation();
    platform::intents::DisplayRepresentation displayRepresentation() const;

    bool operator==(const WidgetSourceEntity&) const = default;
};

/// Lists what can be picked now and turns stored identifiers back into entities. Each call reads the
/// snapshot afresh.
struct WidgetSourceQuery {
    /// Every entry of the current snapshot in its order; nothing without a container, a snapshot, or
    /// outside the `providers` state. The app's followed list is not applied and nothing is deduplicated.
    std::vector<WidgetSourceEntity> suggestedEntities() const;
    /// One entity per identifier, in the order asked, duplicates included; an identifier the snapshot
    /// no longer lists gets the name "Selected account unavailable".
    std::vector<WidgetSourceEntity> entities(const std::vector<std::string>& identifiers) const;
};

/// The configuration intent stored with each placed widget: one optional list of sources.
struct WidgetSelectionIntent {
    platform::intents::IntentParameter<std::vector<WidgetSourceEntity>> sources{
        platform::intents::localizedResource("Providers and accounts"), std::nullopt};

    static platform::intents::LocalizedStringResource title();
    /// Configuration only: performing does nothing.
    platform::intents::IntentResult perform() const { return {}; }

    /// The chosen identifiers in the user's order (empty when nothing is chosen).
    std::vector<std::string> sourceIDs() const;
};

/// The provider's display name, plus " · " and the account name when there is one ("Codex · work").
std::string displayTitle(const WidgetProviderSnapshot& provider);

/// The entities of `snapshot` as `WidgetSourceQuery` lists them (nothing outside the `providers` state).
std::vector<WidgetSourceEntity> sourceEntities(const std::optional<WidgetSnapshot>& snapshot);
/// Resolves `identifiers` against `suggested` as `WidgetSourceQuery::entities` does.
std::vector<WidgetSourceEntity> resolveSources(const std::vector<WidgetSourceEntity>& suggested,
                                               const std::vector<std::string>& identifiers);

static_assert(platform::intents::AppEntity<WidgetSourceEntity>);
static_assert(platform::intents::WidgetConfigurationIntent<WidgetSelectionIntent>);

} // namespace tallyfox
