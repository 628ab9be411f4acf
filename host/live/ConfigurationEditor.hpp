#pragma once
// The configuration editor of a placed widget: the entities of the widget's query as a checklist that
// the user reorders, saved as the ordered identifiers of the chosen ones.

#include "host/stored/PlacedWidgets.hpp"

typedef struct _GtkWindow GtkWindow;

namespace widgethost {

class WindowHost;

/// Opens the editor over the widget's window `parent` (or brings forward the one already open). The
/// query runs on the host's worker; Save stores the choice through the host and closes the editor.
void openConfigurationEditor(GtkWindow* parent, WindowHost& host, const PlacedWidget& placed);

} // namespace widgethost
