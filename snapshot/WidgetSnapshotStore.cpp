#include "snapshot/WidgetSnapshotStore.hpp"

#include "platform/foundation/FileSystem.hpp"
#include "platform/foundation/JSON.hpp"
#include "platform/foundation/Localization.hpp"

namespace tallyfox {

using platform::foundation::Bundle;
using platform::foundation::FileReadFailure;
using platform::foundation::JSONDocument;
using platform::foundation::Logger;

const Logger& widgetLogger() {
    static const Logger logger("com.tallyfox.Tallyfox", "app");
    return logger;
}

std::string appGroupIdentifier(const std::optional<Bundle>& bundle) {
    if (bundle) {
        if (auto identifier = bundle->infoString(WidgetSnapshotStore::groupIdentifierKey)) return *identifier;
    }
    return WidgetSnapshotStore::defaultGroupIdentifier;
}

std::string appGroupIdentifier() {
    // The platform knows the main bundle by its Resources folder, <root>/Contents/Resources.
    const auto resources = platform::foundation::mainBundleInfo().resourcesDirectory;
    if (resources.empty()) return appGroupIdentifier(std::nullopt);
    return appGroupIdentifier(Bundle::open(resources.parent_path().parent_path()));
}

std::optional<WidgetSnapshotStore> WidgetSnapshotStore::make() { return make(appGroupIdentifier()); }

std::optional<WidgetSnapshotStore> WidgetSnapshotStore::make(std::string_view groupIdentifier) {
    auto container = platform::foundation::groupContainerPath(groupIdentifier);
    if (!container) {
        widgetLogger().debug("App Group container unavailable; widget snapshot disabled");
        return std::nullopt;
    }
    return WidgetSnapshotStore{std::move(*container)};
}

std::optional<WidgetSnapshot> WidgetSnapshotStore::load() const {
    // One byte more than the bound tells an oversized file apart without reading it whole.
    auto read = platform::foundation::readOnce(directory / fileName, maximumFileSize + 1, JSONDocument::padding);
    std::string_view bytes;
    if (read) {
        if (read->size() > maximumFileSize) return std::nullopt;
        bytes = read->bytes();
    } else if (read.error().kind != FileReadFailure::Kind::endOfFile) {
        return std::nullopt;
    }
    // An empty file was read fine; it just does not decode.
    auto decoded = WidgetSnapshot::decode(bytes, read ? read->capacity() : 0);
    if (!decoded) {
        widgetLogger().debug("Widget snapshot couldn't be decoded");
        return std::nullopt;
    }
    if (decoded->schemaVersion() > newestSchemaVersion) {
        widgetLogger().debug("Widget snapshot uses a newer schema");
        return std::nullopt;
    }
    return std::move(decoded.value());
}

} // namespace tallyfox
