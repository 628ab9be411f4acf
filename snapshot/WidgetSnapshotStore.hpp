#pragma once
// The widget's one reader of widget-snapshot.json in the group container it shares with the app.

#include "platform/foundation/AppGroup.hpp"
#include "platform/foundation/Bundle.hpp"
#include "platform/foundation/Logger.hpp"
#include "snapshot/WidgetSnapshot.hpp"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tallyfox {

/// Reads and decodes the snapshot anew on every load; never writes, caches or watches it. Failures
/// are silent towards the user: at most one debug line, and no snapshot.
struct WidgetSnapshotStore {
    /// The snapshot's file name inside the group container.
    static constexpr std::string_view fileName = platform::foundation::snapshotFileName;
    /// The Info.plist key that names the group, and the group used when the key is missing.
    static constexpr std::string_view groupIdentifierKey = platform::foundation::appGroupIdentifierKey;
    static constexpr const char* defaultGroupIdentifier = "group.com.tallyfox.Tallyfox";
    /// The newest layout this widget reads.
    static constexpr std::int64_t newestSchemaVersion = 1;
    /// The largest snapshot read, as the command-line tool reads it: a larger file is treated like
    /// one that cannot be read, so that no file can make the extension run out of memory.
    static constexpr std::size_t maximumFileSize = platform::foundation::largestSnapshotSize;

    /// The root of the group container; the snapshot lies directly inside it.
    std::filesystem::path directory;

    /// The store for the group container of `appGroupIdentifier()`, or nothing (logged) when the
    /// container cannot be found.
    static std::optional<WidgetSnapshotStore> make();
    /// The store for the container of `groupIdentifier`, or nothing (logged).
    static std::optional<WidgetSnapshotStore> make(std::string_view groupIdentifier);

    /// The decoded snapshot, or nothing: silently when the file is missing, unreadable or too large,
    /// with a log line when it does not decode or uses a newer layout.
    std::optional<WidgetSnapshot> load() const;
};

/// The group identifier from the main bundle's Info.plist, "group.com.tallyfox.Tallyfox" when the key is
/// missing or not a string (an empty string is used as it is).
std::string appGroupIdentifier();
/// The same for a given bundle (nothing: no bundle).
std::string appGroupIdentifier(const std::optional<platform::foundation::Bundle>& bundle);

/// The widget's logger (subsystem "com.tallyfox.Tallyfox", category "app"), made once on first use.
const platform::foundation::Logger& widgetLogger();

} // namespace tallyfox
