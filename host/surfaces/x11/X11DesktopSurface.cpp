// A desktop widget on X11: a utility window that the window manager keeps below every other window, on
// every desktop, out of the taskbar and the pager, where its owner put it. Without a compositor an
// X window cannot be transparent, so the window is cut to the widget's rounded outline; when a
// compositor starts or stops, the window follows.

#include "host/surfaces/DesktopSurface.hpp"
#include "host/gtk/GLibCallback.hpp"
#include "host/gtk/LiveLog.hpp"
#include "host/hosting/Placement.hpp"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

namespace widgethost {

namespace {

class X11DesktopSurface final : public DesktopSurface {
public:
    X11DesktopSurface(GtkWindow* window, std::int64_t number, SurfacePlaces& places)
        : window_(window), number_(number), places_(places) {}

    ~X11DesktopSurface() override {
        if (saveTimer_) g_source_remove(saveTimer_);
        if (filtered_) gdk_window_remove_filter(filtered_, &X11DesktopSurface::filter, this);
        g_signal_handlers_disconnect_by_data(gtk_widget_get_screen(GTK_WIDGET(window_)), this);
        if (outline_) cairo_region_destroy(outline_);
    }

    void prepare() override {
        // A widget is part of the desktop, not a task.
        gtk_window_set_type_hint(window_, GDK_WINDOW_TYPE_HINT_UTILITY);
        gtk_window_set_skip_taskbar_hint(window_, TRUE);
        gtk_window_set_skip_pager_hint(window_, TRUE);
        gtk_window_set_keep_below(window_, TRUE);
        gtk_window_stick(window_);
        gtk_window_set_gravity(window_, GDK_GRAVITY_STATIC);
        const WindowPosition position = place();
        const int scale = std::max(1, gtk_widget_get_scale_factor(GTK_WIDGET(window_)));
        // Asked for before the window is mapped, so that the window manager puts it there at once.
        gtk_window_move(window_, position.x / scale, position.y / scale);
        g_signal_connect(window_, "configure-event",
                         asCallback(+[](GtkWidget*, GdkEvent*, gpointer self) -> gboolean {
                             static_cast<X11DesktopSurface*>(self)->moved();
                             return FALSE;
                         }),
                         this);
        g_signal_connect(gtk_widget_get_screen(GTK_WIDGET(window_)), "composited-changed",
                         asCallback(+[](GdkScreen*, gpointer self) {
                             auto* surface = static_cast<X11DesktopSurface*>(self);
                             liveTrace(std::string("compositing ") +
                                       (surface->composited() ? "started" : "stopped"));
                             surface->applyShape();
                         }),
                         this);
    }

    void mapped() override {
        GdkWindow* window = gtk_widget_get_window(GTK_WIDGET(window_));
        if (!window || !GDK_IS_X11_WINDOW(window)) return;
        // A window manager may have placed the window on its own: where it was kept wins.
        const WindowPosition position = place();
        XMoveWindow(GDK_WINDOW_XDISPLAY(window), GDK_WINDOW_XID(window), position.x, position.y);
        if (!filtered_) {
            filtered_ = window;
            gdk_window_add_filter(window, &X11DesktopSurface::filter, this);
        }
        managed();
        applyShape();
    }

    // Also while a compositor runs: it may stop at any time, and the cut must be ready then.
    bool followsOutline() const override { return true; }

    void pictureChanged(cairo_surface_t* outline) override {
        if (outline_) cairo_region_destroy(outline_);
        outline_ = gdk_cairo_region_create_from_surface(outline);
        applyShape();
    }

    bool beginMove(int button, double, double, double rootX, double rootY, std::uint32_t time) override {
        liveTrace("widget " + std::to_string(number_) + " is being moved");
        gtk_window_begin_move_drag(window_, button, static_cast<int>(rootX), static_cast<int>(rootY), time);
        return false;
    }

private:
    bool composited() const { return gdk_screen_is_composited(gtk_widget_get_screen(GTK_WIDGET(window_))); }

    /// Where the widget goes: where it was kept, else the top of a column down the right edge.
    WindowPosition place() const {
        if (const auto kept = places_.keptPlace(number_).screen) return *kept;
        GdkDisplay* display = gtk_widget_get_display(GTK_WIDGET(window_));
        GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
        if (!monitor && gdk_display_get_n_monitors(display) > 0)
            monitor = gdk_display_get_monitor(display, 0);
        GdkRectangle area{0, 0, 1280, 1024};
        int scale = 1;
        if (monitor) {
            gdk_monitor_get_geometry(monitor, &area);
            scale = gdk_monitor_get_scale_factor(monitor);
        }
        return screenPosition(places_.defaultPosition(number_, area.width, area.height),
                              {area.x, area.y, area.width, area.height}, scale);
    }

    /// Without a compositor the corners outside the rounded outline would be black: the window is cut
    /// to the outline, for the eye and the pointer alike. With one, the picture's alpha shows through.
    void applyShape() {
        if (!gtk_widget_get_realized(GTK_WIDGET(window_))) return;
        const bool cut = !composited() && outline_;
        gtk_widget_shape_combine_region(GTK_WIDGET(window_), cut ? outline_ : nullptr);
        gtk_widget_input_shape_combine_region(GTK_WIDGET(window_), cut ? outline_ : nullptr);
    }

    /// The window manager took the window (WM_STATE appeared), the first time or after it restarted:
    /// the states GDK set as the window was mapped may have been rewritten since, so they are asked
    /// for again.
    void managed() {
        GdkWindow* window = gtk_widget_get_window(GTK_WIDGET(window_));
        if (!window) return;
        gdk_window_set_keep_below(window, TRUE);
        gdk_window_stick(window);
        gdk_window_set_skip_taskbar_hint(window, TRUE);
        gdk_window_set_skip_pager_hint(window, TRUE);
        Display* display = GDK_WINDOW_XDISPLAY(window);
        // On every desktop, also for window managers that read only the property.
        const long all = 0xFFFFFFFF;
        XChangeProperty(display, GDK_WINDOW_XID(window), XInternAtom(display, "_NET_WM_DESKTOP", False),
                        XA_CARDINAL, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(&all), 1);
        XEvent desktop{};
        desktop.xclient.type = ClientMessage;
        desktop.xclient.window = GDK_WINDOW_XID(window);
        desktop.xclient.message_type = XInternAtom(display, "_NET_WM_DESKTOP", False);
        desktop.xclient.format = 32;
        desktop.xclient.data.l[0] = all;
        desktop.xclient.data.l[1] = 1; // from an application
        XSendEvent(display, DefaultRootWindow(display), False,
                   SubstructureRedirectMask | SubstructureNotifyMask, &desktop);
        liveTrace("widget " + std::to_string(number_) + " is kept below on every desktop");
    }

    static GdkFilterReturn filter(GdkXEvent* native, GdkEvent*, gpointer self) {
        auto* surface = static_cast<X11DesktopSurface*>(self);
        const auto* event = static_cast<const XEvent*>(native);
        if (event->type == PropertyNotify && event->xproperty.state == PropertyNewValue) {
            GdkWindow* window = gtk_widget_get_window(GTK_WIDGET(surface->window_));
            if (window && event->xproperty.atom == gdk_x11_get_xatom_by_name_for_display(
                                                       gdk_window_get_display(window), "WM_STATE"))
                surface->managed();
        }
        return GDK_FILTER_CONTINUE;
    }

    /// Every move (a drag, the window manager) ends in a configure event; the place is kept once the
    /// window has been still for half a second.
    void moved() {
        if (saveTimer_) g_source_remove(saveTimer_);
        saveTimer_ = g_timeout_add(
            500,
            [](gpointer self) -> gboolean {
                auto* surface = static_cast<X11DesktopSurface*>(self);
                surface->saveTimer_ = 0;
                surface->save();
                return G_SOURCE_REMOVE;
            },
            this);
    }

    void save() {
        GdkWindow* window = gtk_widget_get_window(GTK_WIDGET(window_));
        if (!window || !gtk_widget_get_mapped(GTK_WIDGET(window_))) return;
        Display* display = GDK_WINDOW_XDISPLAY(window);
        int rootX = 0, rootY = 0;
        Window child = 0;
        // Where the window is on the root window, whatever frame a window manager put around it.
        if (!XTranslateCoordinates(display, GDK_WINDOW_XID(window), DefaultRootWindow(display), 0, 0, &rootX,
                                   &rootY, &child))
            return;
        KeptPlace kept = places_.keptPlace(number_);
        const WindowPosition position{rootX, rootY};
        if (kept.screen == position) return;
        kept.screen = position;
        places_.keepPlace(number_, kept);
        liveTrace("widget " + std::to_string(number_) + " is kept at " + std::to_string(rootX) + "," +
                  std::to_string(rootY));
    }

    GtkWindow* window_;
    std::int64_t number_;
    SurfacePlaces& places_;
    GdkWindow* filtered_ = nullptr;
    cairo_region_t* outline_ = nullptr;
    unsigned saveTimer_ = 0;
};

} // namespace

std::unique_ptr<DesktopSurface> makeX11DesktopSurface(GtkWindow* window, std::int64_t number,
                                                      SurfacePlaces& places) {
    return std::make_unique<X11DesktopSurface>(window, number, places);
}

} // namespace widgethost
