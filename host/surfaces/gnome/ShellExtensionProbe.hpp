#pragma once
// Is our GNOME Shell extension there? Asked once, when `show` chooses the widgets' surface.

#include "host/hosting/SurfaceChoice.hpp"

namespace widgethost {

/// The name the extension owns on the session bus while it is enabled.
inline constexpr const char* shellExtensionBusName = "com.tallyfox.Tallyfox.Widgets.Shell";

/// Asks the session bus (with short timeouts; never hangs on a bus that does not answer).
ShellExtensionReport shellExtensionState();

} // namespace widgethost
