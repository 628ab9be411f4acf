// A desktop widget on a Wayland compositor that speaks wlr-layer-shell (KDE Plasma, sway, Hyprland,
// Wayfire, labwc, river): a surface on the bottom layer, above the wallpaper and below every window,
// which such compositors keep out of task managers and switchers and show on every workspace. It is
// anchored to its output's top-left corner; its margins are its place, which a drag changes.

#include "host/surfaces/DesktopSurface.hpp"
#include "host/gtk/LiveLog.hpp"
#include "host/hosting/Placement.hpp"
#include "host/surfaces/layershell/WaylandOutputs.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <gdk/gdkwayland.h>
#include <gtk-layer-shell.h>
#include <gtk/gtk.h>
#include <vector>
#include <wayland-client.h>

namespace widgethost {

namespace {

class LayerShellSurface final : public DesktopSurface {
public:
    LayerShellSurface(GtkWindow* window, std::int64_t number, SurfacePlaces& places)
        : window_(window), number_(number), places_(places) {}

    ~LayerShellSurface() override { watchOutput(nullptr); }

    void prepare() override {
        gtk_layer_init_for_window(window_);
        gtk_layer_set_layer(window_, GTK_LAYER_SHELL_LAYER_BOTTOM);
        gtk_layer_set_namespace(window_, "tallyfox-widget");
        gtk_layer_set_anchor(window_, GTK_LAYER_SHELL_EDGE_TOP, TRUE);
        gtk_layer_set_anchor(window_, GTK_LAYER_SHELL_EDGE_LEFT, TRUE);
        gtk_layer_set_exclusive_zone(window_, 0); // takes no room from windows or panels
        gtk_layer_set_keyboard_mode(window_, GTK_LAYER_SHELL_KEYBOARD_MODE_NONE);
        placeOnOutput();
    }

    void resized(int width, int height) override {
        width_ = width, height_ = height;
        clampAndApply();
    }

    bool beginMove(int, double, double, double, double, std::uint32_t) override {
        liveTrace("widget " + std::to_string(number_) + " is being moved");
        taken_ = margins_;
        offset_ = {};
        setCursor("grabbing");
        return true;
    }

    // Compositors tell the pointer's place on a surface that moves under a held button differently
    // (sway from where the surface was when the button went down, KWin from where it is now), so
    // the surface stays while the button is held: the pointer's offset is then the same on every
    // compositor, and the widget goes there when the button comes up.
    void follow(double dx, double dy) override {
        offset_ = {static_cast<int>(std::lround(dx)), static_cast<int>(std::lround(dy))};
    }

    void endMove() override {
        setCursor(nullptr);
        margins_ = {taken_.x + offset_.x, taken_.y + offset_.y};
        clampAndApply();
        if (output_.empty()) return;
        KeptPlace kept = places_.keptPlace(number_);
        kept.outputs[output_] = margins_;
        kept.output = output_; // the widget belongs where it was put
        places_.keepPlace(number_, kept);
        liveTrace("widget " + std::to_string(number_) + " is kept at " + std::to_string(margins_.x) + "," +
                  std::to_string(margins_.y) + " on " + output_);
    }

    void keyboardWanted(bool wanted) override {
        gtk_layer_set_keyboard_mode(window_, wanted ? GTK_LAYER_SHELL_KEYBOARD_MODE_ON_DEMAND
                                                    : GTK_LAYER_SHELL_KEYBOARD_MODE_NONE);
    }

    void outputsChanged() override {
        const std::string before = output_;
        if (placeOnOutput() && output_ != before && gtk_widget_get_visible(GTK_WIDGET(window_)))
            liveTrace("widget " + std::to_string(number_) + " moves to " + output_);
        if (!output_.empty() && !gtk_widget_get_visible(GTK_WIDGET(window_)) && hiddenByDesktop_) {
            hiddenByDesktop_ = false;
            gtk_widget_show(GTK_WIDGET(window_));
        }
    }

    bool reopenAfterClose() override {
        // Its output went away: it shows on another one, or once an output is there again.
        hiddenByDesktop_ = true;
        watchOutput(nullptr);
        outputsChanged();
        return true;
    }

private:
    /// Puts the widget on the output it belongs on, or the first one there is while that one is gone,
    /// at the place kept for that output. Returns whether there is an output at all.
    bool placeOnOutput() {
        GdkDisplay* display = gdk_display_get_default();
        std::vector<std::string> names;
        for (int i = 0; i < gdk_display_get_n_monitors(display); ++i)
            names.push_back(outputName(gdk_display_get_monitor(display, i)));
        const KeptPlace kept = places_.keptPlace(number_);
        const std::string chosen = outputFor(kept, names, output_);
        if (chosen.empty()) {
            output_.clear();
            watchOutput(nullptr);
            return false;
        }
        GdkMonitor* monitor = gdk_display_get_monitor(
            display, static_cast<int>(std::find(names.begin(), names.end(), chosen) - names.begin()));
        GdkRectangle area;
        gdk_monitor_get_geometry(monitor, &area);
        if (chosen == output_ && monitor == monitor_) {
            // The same output, maybe of another size (its resolution or scale changed).
            if (area.width != outputWidth_ || area.height != outputHeight_) {
                outputWidth_ = area.width, outputHeight_ = area.height;
                clampAndApply();
            }
            return true;
        }
        watchOutput(monitor);
        output_ = chosen;
        outputWidth_ = area.width, outputHeight_ = area.height;
        // Margins count from the output's corner, wherever the output is.
        margins_ = placeFor(kept, output_, {0, 0, area.width, area.height}, [&](int width, int height) {
            return places_.defaultPosition(number_, width, height);
        });
        gtk_layer_set_monitor(window_, monitor);
        clampAndApply();
        return true;
    }

    /// Follows the size of the output the widget is on.
    void watchOutput(GdkMonitor* monitor) {
        if (monitor_ && geometryHandler_) g_signal_handler_disconnect(monitor_, geometryHandler_);
        if (monitor_) g_object_unref(monitor_);
        geometryHandler_ = 0;
        monitor_ = monitor ? GDK_MONITOR(g_object_ref(monitor)) : nullptr;
        if (monitor_)
            geometryHandler_ = g_signal_connect(monitor_, "notify::geometry",
                                                G_CALLBACK(+[](GObject*, GParamSpec*, gpointer self) {
                                                    static_cast<LayerShellSurface*>(self)->placeOnOutput();
                                                }),
                                                this);
    }

    void setCursor(const char* name) {
        GdkWindow* window = gtk_widget_get_window(GTK_WIDGET(window_));
        if (!window) return;
        GdkCursor* cursor = name ? gdk_cursor_new_from_name(gdk_window_get_display(window), name) : nullptr;
        gdk_window_set_cursor(window, cursor);
        if (cursor) g_object_unref(cursor);
    }

    /// Keeps the whole widget on its output.
    void clampAndApply() {
        margins_ = keptWithin(margins_, width_, height_, {0, 0, outputWidth_, outputHeight_});
        gtk_layer_set_margin(window_, GTK_LAYER_SHELL_EDGE_LEFT, margins_.x);
        gtk_layer_set_margin(window_, GTK_LAYER_SHELL_EDGE_TOP, margins_.y);
    }

    GtkWindow* window_;
    std::int64_t number_;
    SurfacePlaces& places_;
    GdkMonitor* monitor_ = nullptr; // held while the widget is on it
    unsigned long geometryHandler_ = 0;
    std::string output_;
    int outputWidth_ = 0, outputHeight_ = 0;
    int width_ = 0, height_ = 0;
    WindowPosition margins_;
    WindowPosition taken_;  // the margins when a drag began
    WindowPosition offset_; // how far the pointer has gone since
    bool hiddenByDesktop_ = false;
};

} // namespace

bool layerShellSupported() {
    GdkDisplay* display = gdk_display_get_default();
    if (!display || !GDK_IS_WAYLAND_DISPLAY(display)) return false;
    wl_display* connection = gdk_wayland_display_get_wl_display(display);
    if (!connection) return false;
    // gtk-layer-shell's own question logs a warning where the protocol is missing (GNOME, every
    // log-in): the compositor's registry is asked first, on a queue of our own so that GTK's events
    // are neither taken nor held up.
    wl_event_queue* queue = wl_display_create_queue(connection);
    auto* wrapped = static_cast<wl_display*>(wl_proxy_create_wrapper(connection));
    wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(wrapped), queue);
    wl_registry* registry = wl_display_get_registry(wrapped);
    bool offered = false;
    static constexpr wl_registry_listener listener{
        [](void* data, wl_registry*, std::uint32_t, const char* interface, std::uint32_t) {
            if (std::strcmp(interface, "zwlr_layer_shell_v1") == 0) *static_cast<bool*>(data) = true;
        },
        [](void*, wl_registry*, std::uint32_t) {}};
    wl_registry_add_listener(registry, &listener, &offered);
    const bool answered = wl_display_roundtrip_queue(connection, queue) >= 0;
    wl_registry_destroy(registry);
    wl_proxy_wrapper_destroy(wrapped);
    wl_event_queue_destroy(queue);
    return answered && offered && gtk_layer_is_supported();
}

std::unique_ptr<DesktopSurface> makeLayerShellSurface(GtkWindow* window, std::int64_t number,
                                                      SurfacePlaces& places) {
    return std::make_unique<LayerShellSurface>(window, number, places);
}

} // namespace widgethost
