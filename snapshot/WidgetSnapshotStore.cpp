#include "snapshot/WidgetSnapshotStore.hpp"

#include "platform/foundation/FileSystem.hpp"
#include "platform/foundation/JSON.hpp"
#include "platform/foundation/Localization.hpp"

namespace tallyfox {

using platform::foundation::Bundle;
using platform::foundation::Failure;
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

namespace {

// The snapshot file parsed as JSON; nothing when it cannot be read (or is too large), a failure when it
// is not JSON. The bytes are released on return: only the parsed document lives on while it is decoded.
std::optional<platform::foundation::Decoded<JSONDocument>> parseFile(const std::filesystem::path& path) {
    // One byte more than the bound tells an oversized file apart without reading it whole.
    auto read = platform::foundation::readOnce(path, WidgetSnapshotStore::maximumFileSize + 1, JSONDocument::padding);
    if (!read) {
        // An empty file was read fine; it just is not JSON.
        if (read.error().kind != FileReadFailure::Kind::endOfFile) return std::nullopt;
        return JSONDocument::parse("");
    }
    if (read->size() > WidgetSnapshotStore::maximumFileSize) return std::nullopt;
    return JSONDocument::parse(read->bytes(), read->capacity());
}

} // namespace

std::optional<WidgetSnapshot> WidgetSnapshotStore::load() const {
    auto parsed = parseFile(directory / fileName);
    if (!parsed) return std::nullopt;
    auto decoded = *parsed ? WidgetSnapshot::decode(parsed->value())
                           : platform::foundation::Decoded<WidgetSnapshot>(Failure{std::move(parsed->error())});
    parsed.reset(); // the parsed document is not needed any more
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
