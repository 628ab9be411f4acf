#pragma once
// Where each placed widget's window was left on the screen, kept in user defaults of its own (only
// the running host writes them, and never into the placed widgets' file, which other widgethost
// processes change under a lock).

#include <cstdint>
#include <map>
#include <optional>
#include <set>

namespace widgethost {

/// A window's top-left corner in the screen's coordinates (X11: root window pixels).
struct WindowPosition {
    int x = 0;
    int y = 0;
    bool operator==(const WindowPosition&) const = default;
};

/// The user-defaults domain the positions are kept in.
inline constexpr const char* windowPositionsDomain = "com.tallyfox.widgethost.windows";

/// The stored positions by widget number.
std::map<std::int64_t, WindowPosition> storedWindowPositions();
/// Stores the position of one widget's window.
void storeWindowPosition(std::int64_t widget, WindowPosition position);
/// Forgets the positions of widgets that are no longer placed.
void keepWindowPositionsOf(const std::set<std::int64_t>& placed);

} // namespace widgethost
