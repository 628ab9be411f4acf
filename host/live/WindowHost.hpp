#pragma once
// What a widget's window and its editor ask of the host that keeps them: the widget and what it is
// drawn in, the worker, the desktop's surfaces and where widgets are kept, and the changes their
// menus and editors make. The windows know the host through this alone.

#include "host/live/LiveTasks.hpp"
#include "host/surfaces/DesktopSurface.hpp"
#include "platform/ui/Rendering.hpp"
#include "platform/widgetkit/WidgetExtension.hpp"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

typedef struct _GtkApplication GtkApplication;

namespace widgethost {

class WindowHost : public SurfacePlaces {
public:
    virtual GtkApplication* application() const = 0;
    virtual const platform::widgetkit::WidgetConfiguration& widget() const = 0;
    virtual BackgroundQueue& queue() = 0;
    /// What the widgets are on the desktop.
    virtual DesktopSurfaces& surfaces() = 0;
    /// What a widget of `family` is drawn in now: the host's locale and direction, the appearance.
    virtual platform::ui::Environment environment(platform::ui::WidgetFamily family) const = 0;
    /// The monotonic time (µs) of the snapshot change being reloaded, 0 when none (for the trace).
    virtual long long snapshotEventTime() const = 0;

    // What the windows' menus and editors change. Each goes through the placed-widgets store, as
    // `widgethost` on the command line does, and the windows follow the store.
    virtual void addWidget() = 0;
    virtual void removeWidget(std::int64_t number) = 0;
    virtual void changeFamily(std::int64_t number, platform::ui::WidgetFamily family) = 0;
    virtual void changeConfiguration(std::int64_t number, std::optional<std::vector<std::string>> sources) = 0;
    virtual void quit() = 0;
    /// A window was closed by the window manager: it stays placed; with no window left, the host ends.
    virtual void windowClosed() = 0;
    /// Runs `action` on the main loop once the current callback is over, if the host still runs then
    /// (a menu action that removes its own window must not run inside that window's callback).
    virtual void later(std::function<void(WindowHost&)> action) = 0;
};

} // namespace widgethost
