#include "TallyfoxWidget/WidgetSelectionIntent.hpp"

#include "platform/foundation/LocalizedString.hpp"
#include "platform/foundation/UnicodeNormalization.hpp"
#include "snapshot/WidgetSnapshotStore.hpp"

#include <unordered_map>

namespace tallyfox {

using platform::intents::DisplayRepresentation;
using platform::intents::localizedResource;
using platform::intents::LocalizedStringResource;
using platform::intents::TypeDisplayRepresentation;

TypeDisplayRepresentation WidgetSourceEntity::typeDisplayRepresentation() {
    return {localizedResource("Provider and account")};
}

DisplayRepresentation WidgetSourceEntity::displayRepresentation() const {
    return {name, std::nullopt, std::nullopt}; // the name itself is never looked up
}

LocalizedStringResource WidgetSelectionIntent::title() { return localizedResource("Choose providers"); }

std::vector<std::string> WidgetSelectionIntent::sourceIDs() const {
    std::vector<std::string> ids;
    if (!sources.value) return ids;
    ids.reserve(sources.value->size());
    for (const auto& entity : *sources.value) ids.push_back(entity.id);
    return ids;
}

std::string displayTitle(const WidgetProviderSnapshot& provider) {
    std::string title = definition(provider.provider).displayName;
    if (provider.accountName) {
        title += " \xC2\xB7 "; // space, U+00B7 MIDDLE DOT, space
        title += *provider.accountName;
    }
    return title;
}

std::vector<WidgetSourceEntity> sourceEntities(const std::optional<WidgetSnapshot>& snapshot) {
    std::vector<WidgetSourceEntity> entities;
    if (!snapshot) return entities;
    entities.reserve(snapshot->providerCount());
    snapshot->forEachProvider([&](const WidgetProviderSnapshot& provider) {
        entities.push_back({provider.id(), displayTitle(provider)});
    });
    return entities;
}

std::vector<WidgetSourceEntity> resolveSources(const std::vector<WidgetSourceEntity>& suggested,
                                               const std::vector<std::string>& identifiers) {
    // The first entity for each canonical identifier.
    std::unordered_map<std::string, const WidgetSourceEntity*> byID;
    for (const auto& entity : suggested)
        byID.emplace(platform::foundation::precomposedStringWithCanonicalMapping(entity.id), &entity);

    std::vector<WidgetSourceEntity> resolved;
    resolved.reserve(identifiers.size());
    for (const auto& identifier : identifiers) {
        const auto found = byID.find(platform::foundation::precomposedStringWithCanonicalMapping(identifier));
        if (found != byID.end())
            resolved.push_back(*found->second);
        else
            resolved.push_back({identifier, platform::foundation::localized("Selected account unavailable",
                                                                             "Selected account unavailable")});
    }
    return resolved;
}

std::vector<WidgetSourceEntity> WidgetSourceQuery::suggestedEntities() const {
    const auto store = WidgetSnapshotStore::make();
    if (!store) return {};
    return sourceEntities(store->load());
}

std::vector<WidgetSourceEntity> WidgetSourceQuery::entities(const std::vector<std::string>& identifiers) const {
    return resolveSources(suggestedEntities(), identifiers);
}

} // namespace tallyfox
