#pragma once
// The names of a Wayland session's outputs ("DP-1", "HEADLESS-1"), which GTK 3 does not tell:
// positions are kept per output name, so that a widget returns to its screen when the screen
// comes back.

#include <string>

typedef struct _GdkMonitor GdkMonitor;

namespace widgethost {

/// The output's name as the compositor gives it (xdg-output), else its model and place.
std::string outputName(GdkMonitor* monitor);

} // namespace widgethost
