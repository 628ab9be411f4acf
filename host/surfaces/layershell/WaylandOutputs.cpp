#include "host/surfaces/layershell/WaylandOutputs.hpp"

#include "xdg-output-unstable-v1-client-protocol.h"

#include <cstring>
#include <gdk/gdkwayland.h>
#include <gtk/gtk.h>
#include <wayland-client.h>

namespace widgethost {

namespace {

constexpr const char* nameKey = "tallyfox-output-name";

struct Registry {
    zxdg_output_manager_v1* manager = nullptr;
};

void global(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
            std::uint32_t version) {
    if (std::strcmp(interface, zxdg_output_manager_v1_interface.name) == 0 && version >= 2)
        static_cast<Registry*>(data)->manager = static_cast<zxdg_output_manager_v1*>(
            wl_registry_bind(registry, name, &zxdg_output_manager_v1_interface, 2));
}
void globalRemoved(void*, wl_registry*, std::uint32_t) {}
constexpr wl_registry_listener registryListener{global, globalRemoved};

void ignorePosition(void*, zxdg_output_v1*, std::int32_t, std::int32_t) {}
void ignoreDone(void*, zxdg_output_v1*) {}
void named(void* data, zxdg_output_v1*, const char* name) {
    *static_cast<std::string*>(data) = name;
}
void ignoreDescription(void*, zxdg_output_v1*, const char*) {}
constexpr zxdg_output_v1_listener outputListener{ignorePosition, ignorePosition, ignoreDone, named,
                                                 ignoreDescription};

/// Asks the compositor on a queue of our own, so that GTK's events are neither taken nor held up.
std::string askName(GdkMonitor* monitor) {
    GdkDisplay* display = gdk_monitor_get_display(monitor);
    if (!GDK_IS_WAYLAND_DISPLAY(display) || !GDK_IS_WAYLAND_MONITOR(monitor)) return {};
    wl_display* connection = gdk_wayland_display_get_wl_display(display);
    wl_output* output = gdk_wayland_monitor_get_wl_output(monitor);
    if (!connection || !output) return {};
    wl_event_queue* queue = wl_display_create_queue(connection);
    auto* wrapped = static_cast<wl_display*>(wl_proxy_create_wrapper(connection));
    wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(wrapped), queue);
    wl_registry* registry = wl_display_get_registry(wrapped);
    Registry found;
    wl_registry_add_listener(registry, &registryListener, &found);
    wl_display_roundtrip_queue(connection, queue);
    std::string name;
    if (found.manager) {
        zxdg_output_v1* described = zxdg_output_manager_v1_get_xdg_output(found.manager, output);
        zxdg_output_v1_add_listener(described, &outputListener, &name);
        wl_display_roundtrip_queue(connection, queue);
        zxdg_output_v1_destroy(described);
        zxdg_output_manager_v1_destroy(found.manager);
    }
    wl_registry_destroy(registry);
    wl_proxy_wrapper_destroy(wrapped);
    wl_event_queue_destroy(queue);
    return name;
}

} // namespace

std::string outputName(GdkMonitor* monitor) {
    if (!monitor) return {};
    if (const auto* known = static_cast<const std::string*>(g_object_get_data(G_OBJECT(monitor), nameKey)))
        return *known;
    std::string name = askName(monitor);
    if (name.empty()) {
        // A compositor without xdg-output: the model and where the output is stand for its name.
        GdkRectangle area;
        gdk_monitor_get_geometry(monitor, &area);
        const char* model = gdk_monitor_get_model(monitor);
        name = std::string(model ? model : "output") + "@" + std::to_string(area.x) + "," +
               std::to_string(area.y);
    }
    g_object_set_data_full(G_OBJECT(monitor), nameKey, new std::string(name),
                           [](gpointer data) { delete static_cast<std::string*>(data); });
    return name;
}

} // namespace widgethost
