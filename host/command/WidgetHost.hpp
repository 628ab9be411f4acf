#pragma once
// What widgethost does for each command: load the extension, ask its widget for entries, and show
// them as text, JSON, an image or a view tree; keep the placed widgets.

#include "host/command/Arguments.hpp"
#include "host/stored/PlacedWidgets.hpp"
#include "platform/foundation/Date.hpp"
#include "platform/ui/Environment.hpp"

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace widgethost {

/// The extension the host loads unless told otherwise: ../Tallyfox.app/Contents/PlugIns/TallyfoxWidget.appex
/// from the folder of the host's own executable.
std::filesystem::path defaultExtensionPath();

/// "Tallyfox VERSION": the version of the application bundle beside the host, or "Tallyfox
/// development" without one, as `tallyfox --version` prints it.
std::string versionLine();

/// The lines `widgethost list` prints: number, kind, size and sources in columns that line up.
std::string placedWidgetLines(const std::vector<PlacedWidget>& placed);

/// The environment a host lays a widget out in: the user's locale with its direction, the given
/// appearance and family, and `date` as the moment that live texts show.
platform::ui::Environment widgetEnvironment(platform::ui::WidgetFamily family,
                                            platform::ui::ColorScheme colorScheme,
                                            platform::ui::ColorSchemeContrast contrast,
                                            platform::foundation::Date date);

/// Runs one command, printing its result on `out` and a failure as one line on `err`. Returns the
/// exit status: 0, or 1 for a failure (`autostart`, which writes to the standard streams, also 2 for
/// bad usage).
int run(const Invocation& invocation, std::FILE* out, std::FILE* err);

} // namespace widgethost
