#pragma once
// What the app and the readers of its snapshot agree on by name: where the app leaves the snapshot,
// and when its data count as stale.

#include <cstddef>
#include <string_view>

namespace platform::foundation {

/// The Info.plist key whose string names the group container that the app shares with its readers.
inline constexpr std::string_view appGroupIdentifierKey = "TallyfoxAppGroupIdentifier";

/// The snapshot's file name in the group container.
inline constexpr std::string_view snapshotFileName = "widget-snapshot.json";

/// The largest snapshot a reader reads: a larger file is treated like one that cannot be read, so that
/// no file can make a reader run out of memory.
inline constexpr std::size_t largestSnapshotSize = 4 * 1024 * 1024;

/// Data older than this many seconds show as stale.
inline constexpr double staleAfterSeconds = 600;

} // namespace platform::foundation
