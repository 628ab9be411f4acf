#include "host/surfaces/gnome/GnomeShellSurface.hpp"

#include "host/gtk/GLibCallback.hpp"
#include "host/strings/HostStrings.hpp"
#include "host/gtk/LiveLog.hpp"
#include "platform/ui/Rendering.hpp"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <gio/gio.h>
#include <gio/gunixfdlist.h>
#include <gtk/gtk.h>
#include <optional>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>
#ifdef GDK_WINDOWING_WAYLAND
#include <gdk/gdkwayland.h>
#endif
#ifdef TALLYFOX_HAVE_LAYER_SHELL
#include "host/surfaces/layershell/WaylandOutputs.hpp"
#endif

namespace widgethost {

namespace fs = std::filesystem;
namespace ui = platform::ui;

namespace {

constexpr const char* interfaceXML = R"xml(<node>
  <interface name="com.tallyfox.Tallyfox.Widgets.Desktop1">
    <method name="Widgets">
      <arg direction="out" type="a(xssiiiiiiua(sddddss))" name="widgets"/>
      <arg direction="out" type="as" name="outputs"/>
    </method>
    <method name="Picture">
      <arg direction="in" type="x" name="number"/>
      <arg direction="out" type="h" name="memory"/>
      <arg direction="out" type="i" name="width"/>
      <arg direction="out" type="i" name="height"/>
      <arg direction="out" type="i" name="stride"/>
      <arg direction="out" type="u" name="serial"/>
    </method>
    <method name="Help">
      <arg direction="in" type="x" name="number"/>
      <arg direction="in" type="d" name="x"/>
      <arg direction="in" type="d" name="y"/>
      <arg direction="out" type="s" name="text"/>
      <arg direction="out" type="(dddd)" name="frame"/>
    </method>
    <method name="Menu">
      <arg direction="in" type="x" name="number"/>
      <arg direction="out" type="b" name="rightToLeft"/>
      <arg direction="out" type="a(ssss)" name="items"/>
    </method>
    <method name="Activate">
      <arg direction="in" type="x" name="number"/>
      <arg direction="in" type="s" name="action"/>
      <arg direction="in" type="s" name="target"/>
    </method>
    <method name="Moved">
      <arg direction="in" type="x" name="number"/>
      <arg direction="in" type="s" name="output"/>
      <arg direction="in" type="i" name="x"/>
      <arg direction="in" type="i" name="y"/>
    </method>
    <method name="WorkAreas">
      <arg direction="in" type="a(siiiii)" name="areas"/>
    </method>
    <signal name="Changed">
      <arg type="a(xu)" name="pictures"/>
    </signal>
  </interface>
</node>)xml";

/// The name the extension finds a monitor by: its connector ("DP-1", "Meta-0").
std::string connectorName(GdkMonitor* monitor) {
#if defined(TALLYFOX_HAVE_LAYER_SHELL) && defined(GDK_WINDOWING_WAYLAND)
    if (GDK_IS_WAYLAND_DISPLAY(gdk_monitor_get_display(monitor))) return outputName(monitor);
#endif
    // X11 names a monitor by its RandR output, which is the connector.
    const char* model = gdk_monitor_get_model(monitor);
    return model ? model : "";
}

std::vector<std::pair<std::string, GdkMonitor*>> monitors() {
    std::vector<std::pair<std::string, GdkMonitor*>> found;
    GdkDisplay* display = gdk_display_get_default();
    for (int i = 0; i < gdk_display_get_n_monitors(display); ++i) {
        GdkMonitor* monitor = gdk_display_get_monitor(display, i);
        found.emplace_back(connectorName(monitor), monitor);
    }
    return found;
}

/// One picture in sealed shared memory: the extension maps it and cannot be handed a buffer that
/// shrinks under it.
struct SharedPicture {
    int fd = -1;
    int width = 0, height = 0, stride = 0;

    SharedPicture() = default;
    SharedPicture(const SharedPicture&) = delete;
    SharedPicture& operator=(const SharedPicture&) = delete;
    ~SharedPicture() {
        if (fd >= 0) ::close(fd);
    }
};

std::unique_ptr<SharedPicture> drawShared(const ui::LaidOutView& view, int scale) {
    const ui::Size size = view.size();
    auto picture = std::make_unique<SharedPicture>();
    picture->width = std::max(1, static_cast<int>(std::lround(size.width))) * scale;
    picture->height = std::max(1, static_cast<int>(std::lround(size.height))) * scale;
    picture->stride = cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, picture->width);
    const std::size_t bytes = static_cast<std::size_t>(picture->stride) * static_cast<std::size_t>(picture->height);
    picture->fd = memfd_create("tallyfox-widget", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (picture->fd < 0 || ftruncate(picture->fd, static_cast<off_t>(bytes)) != 0) {
        liveLog(std::string("cannot make shared memory for a picture: ") + std::strerror(errno));
        return nullptr;
    }
    void* pixels = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, picture->fd, 0);
    if (pixels == MAP_FAILED) {
        liveLog(std::string("cannot map a picture's memory: ") + std::strerror(errno));
        return nullptr;
    }
    cairo_surface_t* surface = cairo_image_surface_create_for_data(
        static_cast<unsigned char*>(pixels), CAIRO_FORMAT_ARGB32, picture->width, picture->height, picture->stride);
    cairo_surface_set_device_scale(surface, scale, scale);
    cairo_t* painter = cairo_create(surface);
    view.draw(painter);
    cairo_destroy(painter);
    cairo_surface_flush(surface);
    cairo_surface_destroy(surface);
    munmap(pixels, bytes);
    fcntl(picture->fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL);
    return picture;
}

/// A menu item as the extension gets it.
struct ShellMenuItem {
    std::string submenu, label, action, target;
};

void flatten(GMenuModel* model, const std::string& submenu, std::vector<ShellMenuItem>& items) {
    for (int i = 0; i < g_menu_model_get_n_items(model); ++i) {
        if (GMenuModel* section = g_menu_model_get_item_link(model, i, G_MENU_LINK_SECTION)) {
            if (!items.empty() && !items.back().label.empty()) items.push_back({});
            flatten(section, submenu, items);
            g_object_unref(section);
            continue;
        }
        gchar* label = nullptr;
        g_menu_model_get_item_attribute(model, i, G_MENU_ATTRIBUTE_LABEL, "s", &label);
        const std::string text = label ? label : "";
        g_free(label);
        if (GMenuModel* inner = g_menu_model_get_item_link(model, i, G_MENU_LINK_SUBMENU)) {
            flatten(inner, text, items);
            g_object_unref(inner);
            continue;
        }
        ShellMenuItem item{submenu, text, {}, {}};
        gchar* action = nullptr;
        if (g_menu_model_get_item_attribute(model, i, G_MENU_ATTRIBUTE_ACTION, "s", &action)) item.action = action;
        g_free(action);
        if (GVariant* target = g_menu_model_get_item_attribute_value(model, i, G_MENU_ATTRIBUTE_TARGET,
                                                                     G_VARIANT_TYPE_STRING)) {
            item.target = g_variant_get_string(target, nullptr);
            g_variant_unref(target);
        }
        items.push_back(std::move(item));
    }
}

} // namespace

// MARK: One widget

class GnomeShellSurface final : public DesktopSurface {
public:
    GnomeShellSurface(ShellDesktop& desktop, std::int64_t number, std::string name, SurfacePlaces& places)
        : desktop_(desktop), number_(number), name_(std::move(name)), places_(places) {}

    ~GnomeShellSurface() override {
        desktop_.remove(number_);
        if (actions_) g_object_unref(actions_);
        if (menu_) g_object_unref(menu_);
    }

    void prepare() override {
        desktop_.add(number_, this);
        placeOnOutput();
    }

    bool windowless() const override { return true; }
    bool showing() const override { return desktop_.extensionPresent() && !output_.empty(); }

    void resized(int width, int height) override {
        width_ = width, height_ = height;
        clamp();
        desktop_.changed();
    }

    void viewChanged(const ui::LaidOutView& view) override {
        view_ = view;
        redraw();
    }

    void menuChanged(GMenuModel* menu, GActionGroup* actions) override {
        if (menu_) g_object_unref(menu_);
        if (actions_) g_object_unref(actions_);
        menu_ = menu ? G_MENU_MODEL(g_object_ref(menu)) : nullptr;
        actions_ = actions ? G_ACTION_GROUP(g_object_ref(actions)) : nullptr;
    }

    // The extension moves its actor itself and tells where it was dropped.
    bool beginMove(int, double, double, double, double, std::uint32_t) override { return false; }

    void outputsChanged() override {
        const std::string before = output_;
        const int scale = scale_;
        placeOnOutput();
        if (output_ != before && !output_.empty()) liveTrace("widget " + std::to_string(number_) + " moves to " + output_);
        if (scale != scale_) redraw();
        desktop_.changed();
    }

    // MARK: What the extension asks and tells

    GVariant* describe() const {
        GVariantBuilder elements;
        g_variant_builder_init(&elements, G_VARIANT_TYPE("a(sddddss)"));
        if (view_)
            for (const auto& element : view_->accessibilityElements())
                g_variant_builder_add(&elements, "(sddddss)", "label", element.frame.minX(), element.frame.minY(),
                                      element.frame.width(), element.frame.height(), element.node.label.c_str(),
                                      element.node.value.c_str());
        return g_variant_new("(xssiiiiiiua(sddddss))", static_cast<gint64>(number_), name_.c_str(), output_.c_str(),
                             place_.x, place_.y, width_, height_, outputWidth_, outputHeight_,
                             picture_ ? serial_ : 0u, &elements);
    }

    bool visible() const { return !output_.empty() && picture_; }

    const SharedPicture* picture() const { return picture_.get(); }
    unsigned serial() const { return serial_; }

    std::optional<ui::HelpTag> help(double x, double y) const {
        if (!view_) return std::nullopt;
        return view_->helpTag({x, y});
    }

    std::vector<ShellMenuItem> menu() const {
        std::vector<ShellMenuItem> items;
        if (menu_) flatten(menu_, "", items);
        liveTrace("widget " + std::to_string(number_) + " opens its menu");
        return items;
    }

    /// A menu item chosen in the extension: only what the menu offers runs.
    bool activate(const std::string& action, const std::string& target) {
        if (!actions_ || !menu_) return false;
        std::vector<ShellMenuItem> items;
        flatten(menu_, "", items);
        const bool offered = std::any_of(items.begin(), items.end(), [&](const ShellMenuItem& item) {
            return !item.action.empty() && item.action == action && item.target == target;
        });
        constexpr std::string_view prefix = "widget.";
        if (!offered || !action.starts_with(prefix)) return false;
        const std::string name = action.substr(prefix.size());
        if (!g_action_group_has_action(actions_, name.c_str())) return false;
        liveTrace("widget " + std::to_string(number_) + " chose " + action + (target.empty() ? "" : " " + target));
        const GVariantType* type = g_action_group_get_action_parameter_type(actions_, name.c_str());
        g_action_group_activate_action(actions_, name.c_str(), type ? g_variant_new_string(target.c_str()) : nullptr);
        return true;
    }

    /// Dropped by a drag at `x`, `y` on `output`: the widget belongs there now.
    bool moved(const std::string& output, int x, int y) {
        const auto known = monitors();
        const auto found = std::find_if(known.begin(), known.end(), [&](const auto& m) { return m.first == output; });
        if (found == known.end() || output.empty()) return false;
        const int scale = scale_;
        output_ = output;
        takeOutputSize(found->second);
        place_ = {x, y};
        clamp();
        KeptPlace kept = places_.keptPlace(number_);
        kept.outputs[output_] = place_;
        kept.output = output_;
        places_.keepPlace(number_, kept);
        liveTrace("widget " + std::to_string(number_) + " is kept at " + std::to_string(place_.x) + "," +
                  std::to_string(place_.y) + " on " + output_);
        if (scale != scale_) redraw();
        desktop_.changed();
        return true;
    }

private:
    /// The output the widget belongs on, or the one it is on, or the first one there is; at the place
    /// kept for that output, or in the column of new widgets, within the output's work area.
    void placeOnOutput() {
        const auto known = monitors();
        std::vector<std::string> names;
        for (const auto& [name, monitor] : known)
            names.push_back(name);
        const KeptPlace kept = places_.keptPlace(number_);
        const std::string chosen = outputFor(kept, names, output_);
        if (chosen.empty()) {
            output_.clear();
            return;
        }
        output_ = chosen;
        takeOutputSize(known[static_cast<std::size_t>(std::find(names.begin(), names.end(), chosen) - names.begin())].second);
        const auto found = kept.outputs.find(output_);
        if (found != kept.outputs.end()) {
            place_ = found->second;
        } else {
            const WindowPosition inArea = places_.defaultPosition(number_, area_.width, area_.height);
            place_ = {area_.x + inArea.x, area_.y + inArea.y};
        }
        clamp();
    }

    void takeOutputSize(GdkMonitor* monitor) {
        GdkRectangle geometry;
        gdk_monitor_get_geometry(monitor, &geometry);
        outputWidth_ = geometry.width, outputHeight_ = geometry.height;
        scale_ = std::max(1, gdk_monitor_get_scale_factor(monitor));
        area_ = desktop_.workArea(output_, outputWidth_, outputHeight_);
    }

    /// Keeps the whole widget in the output's work area (off the shell's panels).
    void clamp() {
        if (area_.width > 0) place_.x = std::clamp(place_.x, area_.x, area_.x + std::max(0, area_.width - width_));
        if (area_.height > 0) place_.y = std::clamp(place_.y, area_.y, area_.y + std::max(0, area_.height - height_));
    }

    /// A countdown's seconds change the picture alone: the extension then fetches just the picture,
    /// and asks for the widgets again only when what it reads of them changed too.
    void redraw() {
        if (!view_) return;
        // A first picture (the widget shows from now) or one of another size (resized, another scale)
        // goes with what the extension reads of the widget.
        bool alone = false;
        if (auto drawn = drawShared(*view_, scale_)) {
            alone = picture_ && drawn->width == picture_->width && drawn->height == picture_->height;
            picture_ = std::move(drawn);
            ++serial_;
        }
        std::vector<ui::AccessibilityElement> elements = view_->accessibilityElements();
        if (alone && elements == publishedElements_)
            desktop_.pictureChanged(number_, serial_);
        else
            desktop_.changed();
        publishedElements_ = std::move(elements);
    }

    ShellDesktop& desktop_;
    std::int64_t number_;
    std::string name_;
    SurfacePlaces& places_;
    std::optional<ui::LaidOutView> view_;
    std::vector<ui::AccessibilityElement> publishedElements_; // what Widgets() tells of the view drawn last
    std::unique_ptr<SharedPicture> picture_;
    unsigned serial_ = 0;
    GMenuModel* menu_ = nullptr;
    GActionGroup* actions_ = nullptr;
    std::string output_;
    int outputWidth_ = 0, outputHeight_ = 0;
    int scale_ = 1;
    OutputArea area_; // the work area, in logical pixels from the output's corner
    int width_ = 0, height_ = 0;
    WindowPosition place_;
};

// MARK: The published object

struct ShellDesktopCalls {
    static GnomeShellSurface* find(ShellDesktop& desktop, std::int64_t number) {
        const auto found = desktop.surfaces_.find(number);
        return found == desktop.surfaces_.end() ? nullptr : found->second;
    }

    static void call(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* method,
                     GVariant* parameters, GDBusMethodInvocation* invocation, gpointer data) {
        auto& desktop = *static_cast<ShellDesktop*>(data);
        const std::string name = method;
        if (name == "Widgets") {
            liveTrace("the shell asks for the widgets");
            GVariantBuilder widgets;
            g_variant_builder_init(&widgets, G_VARIANT_TYPE("a(xssiiiiiiua(sddddss))"));
            for (const auto& [number, surface] : desktop.surfaces_)
                if (surface->visible()) g_variant_builder_add_value(&widgets, surface->describe());
            GVariantBuilder outputs;
            g_variant_builder_init(&outputs, G_VARIANT_TYPE("as"));
            for (const auto& [output, monitor] : monitors())
                g_variant_builder_add(&outputs, "s", output.c_str());
            g_dbus_method_invocation_return_value(invocation, g_variant_new("(a(xssiiiiiiua(sddddss))as)", &widgets, &outputs));
            return;
        }
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
        if (name == "Picture") {
            const SharedPicture* picture = surface->picture();
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
                g_variant_new("(hiiiu)", index, picture->width, picture->height, picture->stride, surface->serial()),
                fds);
            g_object_unref(fds);
        } else if (name == "Help") {
            double x = 0, y = 0;
            g_variant_get(parameters, "(xdd)", nullptr, &x, &y);
            const auto tag = surface->help(x, y);
            g_dbus_method_invocation_return_value(
                invocation, tag ? g_variant_new("(s(dddd))", tag->text.c_str(), tag->frame.minX(), tag->frame.minY(),
                                                tag->frame.width(), tag->frame.height())
                                : g_variant_new("(s(dddd))", "", 0.0, 0.0, 0.0, 0.0));
        } else if (name == "Menu") {
            GVariantBuilder items;
            g_variant_builder_init(&items, G_VARIANT_TYPE("a(ssss)"));
            for (const auto& item : surface->menu())
                g_variant_builder_add(&items, "(ssss)", item.submenu.c_str(), item.label.c_str(), item.action.c_str(),
                                      item.target.c_str());
            g_dbus_method_invocation_return_value(
                invocation, g_variant_new("(ba(ssss))", static_cast<gboolean>(hostLanguageIsRightToLeft()), &items));
        } else if (name == "Activate") {
            const gchar *action = nullptr, *target = nullptr;
            g_variant_get(parameters, "(x&s&s)", nullptr, &action, &target);
            if (surface->activate(action, target))
                g_dbus_method_invocation_return_value(invocation, nullptr);
            else
                g_dbus_method_invocation_return_error(invocation, G_DBUS_ERROR, G_DBUS_ERROR_INVALID_ARGS,
                                                      "the widget's menu offers no %s %s", action, target);
        } else if (name == "Moved") {
            const gchar* output = nullptr;
            gint32 x = 0, y = 0;
            g_variant_get(parameters, "(x&sii)", nullptr, &output, &x, &y);
            if (surface->moved(output, x, y))
                g_dbus_method_invocation_return_value(invocation, nullptr);
            else
                g_dbus_method_invocation_return_error(invocation, G_DBUS_ERROR, G_DBUS_ERROR_INVALID_ARGS,
                                                      "no output is named %s", output);
        } else {
            g_dbus_method_invocation_return_error(invocation, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_METHOD,
                                                  "no method %s", method);
        }
    }
};

ShellDesktop::ShellDesktop(GDBusConnection* connection, std::function<void()> presenceChanged)
    : connection_(connection ? G_DBUS_CONNECTION(g_object_ref(connection)) : nullptr),
      presenceChanged_(std::move(presenceChanged)) {
    if (!connection_) {
        liveLog("no session bus: the GNOME Shell extension cannot show the widgets");
        return;
    }
    static GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(interfaceXML, nullptr);
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

std::unique_ptr<DesktopSurface> makeGnomeShellSurface(ShellDesktop& desktop, std::int64_t number, std::string name,
                                                      SurfacePlaces& places) {
    return std::make_unique<GnomeShellSurface>(desktop, number, std::move(name), places);
}

// MARK: Is the extension there?

namespace {

bool hasOwner(GDBusConnection* bus, const char* name) {
    GVariant* reply = g_dbus_connection_call_sync(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                  "org.freedesktop.DBus", "NameHasOwner", g_variant_new("(s)", name),
                                                  G_VARIANT_TYPE("(b)"), G_DBUS_CALL_FLAGS_NONE, 2000, nullptr, nullptr);
    if (!reply) return false;
    gboolean owned = FALSE;
    g_variant_get(reply, "(b)", &owned);
    g_variant_unref(reply);
    return owned;
}

/// Whether the extension's files are where GNOME Shell looks for extensions.
bool installed() {
    std::vector<fs::path> folders{fs::path(g_get_user_data_dir())};
    for (const gchar* const* dir = g_get_system_data_dirs(); *dir; ++dir)
        folders.emplace_back(*dir);
    std::error_code ignored;
    return std::any_of(folders.begin(), folders.end(), [&](const fs::path& folder) {
        return fs::exists(folder / "gnome-shell" / "extensions" / shellExtensionUUID / "metadata.json", ignored);
    });
}

} // namespace

ShellExtensionState shellExtensionState(int shellState, bool installed) {
    switch (shellState) {
    case 1: return ShellExtensionState::enabled;
    case 3: return ShellExtensionState::failed;
    case 4: return ShellExtensionState::outOfDate;
    case 99: return installed ? ShellExtensionState::installedAfterLogin : ShellExtensionState::notInstalled;
    default: return ShellExtensionState::disabled; // disabled, initialized, downloading
    }
}

std::optional<std::string> shellExtensionNotice(const ShellExtensionReport& report) {
    const std::string uuid = shellExtensionUUID;
    switch (report.state) {
    case ShellExtensionState::disabled:
    case ShellExtensionState::installedAfterLogin:
        // (The extension is enabled only once GNOME Shell has loaded it, which on Wayland is at a log-in.)
        return hostText("the Tallyfox extension for GNOME Shell is installed but not enabled; enable it "
                        "with “gnome-extensions enable %@” (GNOME on Wayland loads a newly installed "
                        "extension after the next log-in)",
                        {uuid});
    case ShellExtensionState::failed: {
        // The shell's error is one line of JavaScript's, at times with the stack after it.
        std::string error = report.error.substr(0, report.error.find('\n'));
        if (error.empty()) error = "?";
        return hostText("GNOME Shell reports an error in the Tallyfox extension: %@; the shell's log tells "
                        "more (“journalctl -b /usr/bin/gnome-shell”), and reinstalling Tallyfox, then logging "
                        "in again, mends an extension that was damaged",
                        {error});
    }
    case ShellExtensionState::outOfDate:
        return hostText("GNOME Shell keeps the Tallyfox extension off: it does not support GNOME Shell %@; "
                        "a Tallyfox made for this version of GNOME brings one that does",
                        {report.shellVersion.empty() ? std::string("?") : report.shellVersion});
    case ShellExtensionState::notGnome:
    case ShellExtensionState::enabled:
    case ShellExtensionState::notInstalled:
        break;
    }
    return std::nullopt;
}

ShellExtensionReport shellExtensionState() {
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    if (!bus) return {};
    ShellExtensionReport report;
    if (hasOwner(bus, shellExtensionBusName)) {
        report.state = ShellExtensionState::enabled;
    } else if (hasOwner(bus, "org.gnome.Shell")) {
        GVariant* reply = g_dbus_connection_call_sync(
            bus, "org.gnome.Shell", "/org/gnome/Shell", "org.gnome.Shell.Extensions", "GetExtensionInfo",
            g_variant_new("(s)", shellExtensionUUID), G_VARIANT_TYPE("(a{sv})"), G_DBUS_CALL_FLAGS_NONE, 2000, nullptr,
            nullptr);
        GVariant* info = reply ? g_variant_get_child_value(reply, 0) : nullptr;
        double known = 0;
        // An extension the shell has never heard of comes back as an empty dictionary.
        if (info && g_variant_lookup(info, "state", "d", &known))
            report.state = shellExtensionState(static_cast<int>(std::lround(known)), installed());
        else
            report.state = installed() ? ShellExtensionState::installedAfterLogin : ShellExtensionState::notInstalled;
        const gchar* error = nullptr;
        if (info && g_variant_lookup(info, "error", "&s", &error) && error) report.error = error;
        if (info) g_variant_unref(info);
        if (reply) g_variant_unref(reply);

        GVariant* version = g_dbus_connection_call_sync(
            bus, "org.gnome.Shell", "/org/gnome/Shell", "org.freedesktop.DBus.Properties", "Get",
            g_variant_new("(ss)", "org.gnome.Shell", "ShellVersion"), G_VARIANT_TYPE("(v)"), G_DBUS_CALL_FLAGS_NONE,
            2000, nullptr, nullptr);
        if (version) {
            GVariant* boxed = nullptr;
            g_variant_get(version, "(v)", &boxed);
            if (g_variant_is_of_type(boxed, G_VARIANT_TYPE_STRING)) report.shellVersion = g_variant_get_string(boxed, nullptr);
            g_variant_unref(boxed);
            g_variant_unref(version);
        }
    }
    g_object_unref(bus);
    return report;
}

} // namespace widgethost
