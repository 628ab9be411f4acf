#pragma once
// Is our GNOME Shell extension there? Asked once, when `show` chooses the widgets' surface.

#include "host/hosting/SurfaceChoice.hpp"
#include "host/identity/HostIdentity.hpp"

namespace widgethost {

/// Asks the session bus (with short timeouts; never hangs on a bus that does not answer).
ShellExtensionReport shellExtensionState();

} // namespace widgethost
