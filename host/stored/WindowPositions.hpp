#pragma once
// Where each placed widget was left on the desktop, kept in user defaults of their own (only the
// running host writes them, and never into the placed widgets' file, which other widgethost
// processes change under a lock).

#include "host/identity/HostIdentity.hpp"
#include "platform/foundation/UserDefaults.hpp"

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>

namespace widgethost {

/// A surface's top-left corner: on X11 in the root window's pixels, on a layer surface the margins
/// from its output's top-left corner in logical pixels.
struct WindowPosition {
    int x = 0;
    int y = 0;
    bool operator==(const WindowPosition&) const = default;
};

/// Everything kept of one widget's place: its place on an X11 screen, and its place on each output
/// it was put on with the output it belongs on (where it returns when that output comes back).
struct KeptPlace {
    std::optional<WindowPosition> screen;
    std::map<std::string, WindowPosition> outputs;
    std::string output;
    bool operator==(const KeptPlace&) const = default;
};

/// The stored places by widget number: those that can be read.
std::map<std::int64_t, KeptPlace> storedWindowPositions();
/// Why the stored places cannot be read, when they cannot.
std::optional<platform::foundation::DefaultsProblem> unreadableWindowPositions();
/// Stores the place of one widget. A file of places that could not be read is kept beside it
/// first, and the answer says where.
std::optional<platform::foundation::KeptDamagedFile> storeWindowPosition(std::int64_t widget,
                                                                         const KeptPlace& place);
/// Forgets the places of widgets that are no longer placed; the answer as for `storeWindowPosition`.
std::optional<platform::foundation::KeptDamagedFile>
keepWindowPositionsOf(const std::set<std::int64_t>& placed);

} // namespace widgethost
