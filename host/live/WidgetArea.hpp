#pragma once
// The widget's drawing area, and what screen readers read in it: one accessible object per element of
// the widget's accessibility tree, with its label, value and frame, in reading order (the drawing is
// one picture; its elements exist only for assistive technology). The area also offers an action that
// opens the widget's menu, for those who reach the widget without a pointer.

#include "platform/ui/Rendering.hpp"

#include <functional>
#include <string>
#include <vector>

typedef struct _GtkWidget GtkWidget;

namespace widgethost {

/// A new drawing area with the widget's accessible objects; `name` names the widget for screen readers.
GtkWidget* widgetAreaNew(const std::string& name);

/// The elements the area shows now; accessible objects come and go only when they change.
void widgetAreaSetElements(GtkWidget* area, const std::vector<platform::ui::AccessibilityElement>& elements);

/// The widget's menu, which screen readers find among the area's children while it is open.
void widgetAreaSetMenu(GtkWidget* area, GtkWidget* menu);

/// What the area's "menu" action does, and how it is described.
void widgetAreaSetMenuAction(GtkWidget* area, std::function<void()> open, const std::string& description);

} // namespace widgethost
