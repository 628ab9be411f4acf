#include "host/surfaces/gnome/ShellDesktop.hpp"

#include "host/gtk/LiveLog.hpp"
#include "host/strings/HostStrings.hpp"
#include "host/surfaces/gnome/GnomeShellSurface.hpp"

#include <algorithm>
#include <cmath>
#include <gio/gio.h>
#include <gio/gunixfdlist.h>
#include <gtk/gtk.h>
#include <string>

namespace widgethost {

namespace {

} // namespace

// MARK: The calls the extension makes

struct ShellDesktopCalls {
    static GnomeShellSurface* find(ShellDesktop& desktop, std::int64_t number) {
        const auto found = desktop.surfaces_.find(number);
        return found == desktop.surfaces_.end() ? nullptr : found->second;
    }

    static void call(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* method,
                     GVariant* parameters, GDBusMethodInvocation* invocation, gpointer data) {
        auto& desktop = *static_cast<ShellDesktop*>(data);
        const std::string name = method;
        if (name == "Widgets") return widgets(desktop, invocation);
        if (name == "WorkAreas") {
            desktop.takeWorkAreas(g_variant_get_child_value(parameters, 0));
            g_dbus_method_invocation_return_value(invocation, nullptr);
            return;
        }
        gint64 number = 0;
        g_variant_get_child(parameters, 0, "x", &number);
        GnomeShellSurface* surface = find(desktop, number);
        if (!surface) {
            g_dbus_method_invocation_return_error(invocation, G_DBUS_ERROR, G_DBUS_ERROR_INVALID_ARGS,
                                                  "no widget %" G_GINT64_FORMAT " is shown", number);
            return;
        }
        if (name == "Picture")
            picture(*surface, invocation);
        else if (name == "Help")
            help(*surface, parameters, invocation);
        else if (name == "Menu")
            menu(*surface, invocation);
        else if (name == "Activate")
            activate(*surface, parameters, invocation);
        else if (name == "Moved")
            moved(*surface, parameters, invocation);
        else
            g_dbus_method_invocation_return_error(invocation, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_METHOD,
                                                  "no method %s", method);
    }

    static void widgets(ShellDesktop& desktop, GDBusMethodInvocation* invocation) {
        liveTrace("the shell asks for the widgets");
        GVariantBuilder widgets;
        g_variant_builder_init(&widgets, G_VARIANT_TYPE("a(xssiiiiiiua(sddddss))"));
        for (const auto& [number, surface] : desktop.surfaces_)
            if (surface->visible()) g_variant_builder_add_value(&widgets, surface->describe());
        GVariantBuilder outputs;
        g_variant_builder_init(&outputs, G_VARIANT_TYPE("as"));
        for (const auto& [output, monitor] : shellMonitors())
            g_variant_builder_add(&outputs, "s", output.c_str());
        g_dbus_method_invocation_return_value(invocation,
                                              g_variant_new("(a(xssiiiiiiua(sddddss))as)", &widgets, &outputs));
    }

    static void picture(const GnomeShellSurface& surface, GDBusMethodInvocation* invocation) {
        const SharedPicture* picture = surface.picture();
        if (!picture) {
            g_dbus_method_invocation_return_error(invocation, G_DBUS_ERROR, G_DBUS_ERROR_FAILED,
                                                  "the widget has no picture yet");
            return;
        }
        GUnixFDList* fds = g_unix_fd_list_new();
        GError* error = nullptr;
        const int index = g_unix_fd_list_append(fds, picture->fd, &error);
        if (index < 0) {
            g_dbus_method_invocation_return_gerror(invocation, error);
            g_error_free(error);
            g_object_unref(fds);
            return;
        }
        g_dbus_method_invocation_return_value_with_unix_fd_list(
            invocation,
            g_variant_new("(hiiiu)", index, picture->width, picture->height, picture->stride, surface.serial()), fds);
        g_object_unref(fds);
    }

    static void help(const GnomeShellSurface& surface, GVariant* parameters, GDBusMethodInvocation* invocation) {
        double x = 0, y = 0;
        g_variant_get(parameters, "(xdd)", nullptr, &x, &y);
        const auto tag = surface.help(x, y);
        g_dbus_method_invocation_return_value(
            invocation, tag ? g_variant_new("(s(dddd))", tag->text.c_str(), tag->frame.minX(), tag->frame.minY(),
                                            tag->frame.width(), tag->frame.height())
                            : g_variant_new("(s(dddd))", "", 0.0, 0.0, 0.0, 0.0));
    }

    static void menu(const GnomeShellSurface& surface, GDBusMethodInvocation* invocation) {
        GVariantBuilder items;
        g_variant_builder_init(&items, G_VARIANT_TYPE("a(ssss)"));
        for (const auto& item : surface.menu())
            g_variant_builder_add(&items, "(ssss)", item.submenu.c_str(), item.label.c_str(), item.action.c_str(),
                                  item.target.c_str());
        g_dbus_method_invocation_return_value(
            invocation, g_variant_new("(ba(ssss))", static_cast<gboolean>(hostLanguageIsRightToLeft()), &items));
    }

    static void activate(GnomeShellSurface& surface, GVariant* parameters, GDBusMethodInvocation* invocation) {
        const gchar *action = nullptr, *target = nullptr;
        g_variant_get(parameters, "(x&s&s)", nullptr, &action, &target);
        if (surface.activate(action, target))
            g_dbus_method_invocation_return_value(invocation, nullptr);
        else
            g_dbus_method_invocation_return_error(invocation, G_DBUS_ERROR, G_DBUS_ERROR_INVALID_ARGS,
                                                  "the widget's menu offers no %s %s", action, target);
    }

    static void moved(GnomeShellSurface& surface, GVariant* parameters, GDBusMethodInvocation* invocation) {
        const gchar* output = nullptr;
        gint32 x = 0, y = 0;
        g_variant_get(parameters, "(x&sii)", nullptr, &output, &x, &y);
        if (surface.moved(output, x, y))
            g_dbus_method_invocation_return_value(invocation, nullptr);
        else
            g_dbus_method_invocation_return_error(invocation, G_DBUS_ERROR, G_DBUS_ERROR_INVALID_ARGS,
                                                  "no output is named %s", output);
    }
};

// MARK: The published object

ShellDesktop::ShellDesktop(GDBusConnection* connection, std::function<void()> presenceChanged)
    : connection_(connection ? G_DBUS_CONNECTION(g_object_ref(connection)) : nullptr),
      presenceChanged_(std::move(presenceChanged)) {
    if (!connection_) {
        liveLog("no session bus: the GNOME Shell extension cannot show the widgets");
        return;
    }
    static GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(shellDesktopInterfaceXML, nullptr);
    static const GDBusInterfaceVTable calls{ShellDesktopCalls::call, nullptr, nullptr, {}};
    GError* error = nullptr;
    registration_ = g_dbus_connection_register_object(connection_, shellDesktopPath, node->interfaces[0], &calls,
                                                      this, nullptr, &error);
    if (!registration_) {
        liveLog(std::string("cannot publish the widgets for GNOME Shell: ") + error->message);
        g_error_free(error);
    }
    watch_ = g_bus_watch_name_on_connection(
        connection_, shellExtensionBusName, G_BUS_NAME_WATCHER_FLAGS_NONE,
        +[](GDBusConnection*, const gchar*, const gchar*, gpointer self) {
            auto& desktop = *static_cast<ShellDesktop*>(self);
            liveTrace("the GNOME Shell extension is enabled");
            desktop.present_ = true;
            if (desktop.presenceChanged_) desktop.presenceChanged_();
            desktop.changed();
        },
        +[](GDBusConnection*, const gchar*, gpointer self) {
            auto& desktop = *static_cast<ShellDesktop*>(self);
            if (!desktop.present_) return;
            liveTrace("the GNOME Shell extension is gone");
            desktop.present_ = false;
            if (desktop.presenceChanged_) desktop.presenceChanged_();
        },
        this, nullptr);
}

ShellDesktop::~ShellDesktop() {
    if (pendingSignal_) g_source_remove(pendingSignal_);
    if (watch_) g_bus_unwatch_name(watch_);
    if (registration_) g_dbus_connection_unregister_object(connection_, registration_);
    if (connection_) g_object_unref(connection_);
}

void ShellDesktop::takeWorkAreas(GVariant* areas) {
    std::map<std::string, Insets> taken;
    GVariantIter iter;
    g_variant_iter_init(&iter, areas);
    const gchar* output = nullptr;
    Insets insets;
    while (g_variant_iter_next(&iter, "(&siiiii)", &output, &insets.stageWidth, &insets.left, &insets.top,
                               &insets.right, &insets.bottom))
        if (insets.stageWidth > 0 && std::min({insets.left, insets.top, insets.right, insets.bottom}) >= 0)
            taken[output] = insets;
    g_variant_unref(areas);
    if (taken == workAreas_) return;
    workAreas_ = std::move(taken);
    liveTrace("the shell's work areas changed");
    for (const auto& [number, surface] : surfaces_)
        surface->outputsChanged();
}

OutputArea ShellDesktop::workArea(const std::string& output, int width, int height) const {
    const auto found = workAreas_.find(output);
    if (found == workAreas_.end() || width <= 0) return {0, 0, width, height};
    // The shell counts in its stage's pixels, which are the output's device pixels on some setups.
    const Insets& insets = found->second;
    const double k = static_cast<double>(insets.stageWidth) / width;
    const auto logical = [k](int pixels) { return static_cast<int>(std::lround(pixels / k)); };
    OutputArea area{logical(insets.left), logical(insets.top), 0, 0};
    area.width = std::max(0, width - area.x - logical(insets.right));
    area.height = std::max(0, height - area.y - logical(insets.bottom));
    return area;
}

void ShellDesktop::add(std::int64_t number, GnomeShellSurface* surface) {
    surfaces_[number] = surface;
    changed();
}

void ShellDesktop::remove(std::int64_t number) {
    surfaces_.erase(number);
    changed();
}

void ShellDesktop::changed() {
    everything_ = true;
    signalSoon();
}

void ShellDesktop::pictureChanged(std::int64_t number, unsigned serial) {
    pictures_[number] = serial;
    signalSoon();
}

void ShellDesktop::signalSoon() {
    if (pendingSignal_ || !connection_) return;
    pendingSignal_ = g_idle_add(
        +[](gpointer self) -> gboolean {
            auto& desktop = *static_cast<ShellDesktop*>(self);
            desktop.pendingSignal_ = 0;
            // An empty list asks for everything again.
            GVariantBuilder pictures;
            g_variant_builder_init(&pictures, G_VARIANT_TYPE("a(xu)"));
            if (!desktop.everything_)
                for (const auto& [number, serial] : desktop.pictures_)
                    if (desktop.surfaces_.contains(number))
                        g_variant_builder_add(&pictures, "(xu)", static_cast<gint64>(number), serial);
            desktop.everything_ = false;
            desktop.pictures_.clear();
            g_dbus_connection_emit_signal(desktop.connection_, nullptr, shellDesktopPath, shellDesktopInterface,
                                          "Changed", g_variant_new("(a(xu))", &pictures), nullptr);
            return G_SOURCE_REMOVE;
        },
        this);
}

// MARK: The kind

namespace {

class GnomeShellSurfaces final : public DesktopSurfaces {
public:
    void open(GApplication* application, std::function<void()> showingChanged) override {
        desktop_ = std::make_unique<ShellDesktop>(g_application_get_dbus_connection(application),
                                                  std::move(showingChanged));
    }

    std::unique_ptr<DesktopSurface> makeSurface(GtkWindow*, std::int64_t number, const std::string& name,
                                                SurfacePlaces& places) override {
        return std::make_unique<GnomeShellSurface>(*desktop_, number, name, places);
    }

private:
    std::unique_ptr<ShellDesktop> desktop_;
};

} // namespace

std::unique_ptr<DesktopSurfaces> makeGnomeShellSurfaces() {
    return std::make_unique<GnomeShellSurfaces>();
}

} // namespace widgethost
