#pragma once
// Signal handlers for GLib from plain functions and capture-less lambdas.

#include <glib-object.h>

namespace widgethost {

/// A function as a GLib signal handler (a lambda's commas would split the G_CALLBACK macro's argument).
template <class Function> GCallback asCallback(Function* function) {
    return reinterpret_cast<GCallback>(function);
}

} // namespace widgethost
