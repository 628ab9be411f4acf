#include "host/surfaces/gnome/GnomeShellSurface.hpp"

#include "host/gtk/LiveLog.hpp"
#include "host/surfaces/gnome/ShellDesktop.hpp"

#include <algorithm>
#include <gio/gio.h>
#include <gtk/gtk.h>
#ifdef GDK_WINDOWING_WAYLAND
#include <gdk/gdkwayland.h>
#endif
#ifdef TALLYFOX_HAVE_LAYER_SHELL
#include "host/surfaces/layershell/WaylandOutputs.hpp"
#endif

namespace widgethost {

namespace ui = platform::ui;

namespace {

/// The name the extension finds a monitor by: its connector ("DP-1", "Meta-0").
std::string connectorName(GdkMonitor* monitor) {
#if defined(TALLYFOX_HAVE_LAYER_SHELL) && defined(GDK_WINDOWING_WAYLAND)
    if (GDK_IS_WAYLAND_DISPLAY(gdk_monitor_get_display(monitor))) return outputName(monitor);
#endif
    // X11 names a monitor by its RandR output, which is the connector.
    const char* model = gdk_monitor_get_model(monitor);
    return model ? model : "";
}

/// The menu model's entries, for flattening into the extension's items.
std::vector<MenuEntry> readMenu(GMenuModel* model) {
    std::vector<MenuEntry> entries;
    for (int i = 0; i < g_menu_model_get_n_items(model); ++i) {
        if (GMenuModel* section = g_menu_model_get_item_link(model, i, G_MENU_LINK_SECTION)) {
            entries.push_back({MenuEntry::Kind::section, {}, {}, {}, readMenu(section)});
            g_object_unref(section);
            continue;
        }
        gchar* label = nullptr;
        g_menu_model_get_item_attribute(model, i, G_MENU_ATTRIBUTE_LABEL, "s", &label);
        MenuEntry entry{MenuEntry::Kind::item, label ? label : "", {}, {}, {}};
        g_free(label);
        if (GMenuModel* inner = g_menu_model_get_item_link(model, i, G_MENU_LINK_SUBMENU)) {
            entry.kind = MenuEntry::Kind::submenu;
            entry.entries = readMenu(inner);
            g_object_unref(inner);
            entries.push_back(std::move(entry));
            continue;
        }
        gchar* action = nullptr;
        if (g_menu_model_get_item_attribute(model, i, G_MENU_ATTRIBUTE_ACTION, "s", &action)) entry.action = action;
        g_free(action);
        if (GVariant* target = g_menu_model_get_item_attribute_value(model, i, G_MENU_ATTRIBUTE_TARGET,
                                                                     G_VARIANT_TYPE_STRING)) {
            entry.target = g_variant_get_string(target, nullptr);
            g_variant_unref(target);
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

} // namespace

std::vector<std::pair<std::string, GdkMonitor*>> shellMonitors() {
    std::vector<std::pair<std::string, GdkMonitor*>> found;
    GdkDisplay* display = gdk_display_get_default();
    for (int i = 0; i < gdk_display_get_n_monitors(display); ++i) {
        GdkMonitor* monitor = gdk_display_get_monitor(display, i);
        found.emplace_back(connectorName(monitor), monitor);
    }
    return found;
}

GnomeShellSurface::GnomeShellSurface(ShellDesktop& desktop, std::int64_t number, std::string name,
                                     SurfacePlaces& places)
    : desktop_(desktop), number_(number), name_(std::move(name)), places_(places) {}

GnomeShellSurface::~GnomeShellSurface() {
    desktop_.remove(number_);
    if (actions_) g_object_unref(actions_);
    if (menu_) g_object_unref(menu_);
}

void GnomeShellSurface::prepare() {
    desktop_.add(number_, this);
    placeOnOutput();
}

bool GnomeShellSurface::showing() const {
    return desktop_.extensionPresent() && !output_.empty();
}

void GnomeShellSurface::resized(int width, int height) {
    width_ = width, height_ = height;
    clamp();
    desktop_.changed();
}

void GnomeShellSurface::viewChanged(const ui::LaidOutView& view) {
    view_ = view;
    redraw();
}

void GnomeShellSurface::menuChanged(GMenuModel* menu, GActionGroup* actions) {
    if (menu_) g_object_unref(menu_);
    if (actions_) g_object_unref(actions_);
    menu_ = menu ? G_MENU_MODEL(g_object_ref(menu)) : nullptr;
    actions_ = actions ? G_ACTION_GROUP(g_object_ref(actions)) : nullptr;
}

void GnomeShellSurface::outputsChanged() {
    const std::string before = output_;
    const int scale = scale_;
    placeOnOutput();
    if (output_ != before && !output_.empty()) liveTrace("widget " + std::to_string(number_) + " moves to " + output_);
    if (scale != scale_) redraw();
    desktop_.changed();
}

// MARK: What the extension asks and tells

GVariant* GnomeShellSurface::describe() const {
    GVariantBuilder elements;
    g_variant_builder_init(&elements, G_VARIANT_TYPE("a(sddddss)"));
    if (view_)
        for (const auto& element : view_->accessibilityElements())
            g_variant_builder_add(&elements, "(sddddss)", "label", element.frame.minX(), element.frame.minY(),
                                  element.frame.width(), element.frame.height(), element.node.label.c_str(),
                                  element.node.value.c_str());
    return g_variant_new("(xssiiiiiiua(sddddss))", static_cast<gint64>(number_), name_.c_str(), output_.c_str(),
                         place_.x, place_.y, width_, height_, outputWidth_, outputHeight_, picture_ ? serial_ : 0u,
                         &elements);
}

std::optional<ui::HelpTag> GnomeShellSurface::help(double x, double y) const {
    if (!view_) return std::nullopt;
    return view_->helpTag({x, y});
}

std::vector<ShellMenuItem> GnomeShellSurface::menuItems() const {
    return menu_ ? flattenMenu(readMenu(menu_)) : std::vector<ShellMenuItem>{};
}

std::vector<ShellMenuItem> GnomeShellSurface::menu() const {
    std::vector<ShellMenuItem> items = menuItems();
    liveTrace("widget " + std::to_string(number_) + " opens its menu");
    return items;
}

bool GnomeShellSurface::activate(const std::string& action, const std::string& target) {
    if (!actions_ || !menu_) return false;
    constexpr std::string_view prefix = "widget.";
    if (!menuOffers(menuItems(), action, target) || !action.starts_with(prefix)) return false;
    const std::string name = action.substr(prefix.size());
    if (!g_action_group_has_action(actions_, name.c_str())) return false;
    liveTrace("widget " + std::to_string(number_) + " chose " + action + (target.empty() ? "" : " " + target));
    const GVariantType* type = g_action_group_get_action_parameter_type(actions_, name.c_str());
    g_action_group_activate_action(actions_, name.c_str(), type ? g_variant_new_string(target.c_str()) : nullptr);
    return true;
}

bool GnomeShellSurface::moved(const std::string& output, int x, int y) {
    const auto known = shellMonitors();
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

// MARK: Its place and picture

/// The output the widget belongs on, or the one it is on, or the first one there is; at the place
/// kept for that output, or in the column of new widgets, within the output's work area.
void GnomeShellSurface::placeOnOutput() {
    const auto known = shellMonitors();
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
    takeOutputSize(
        known[static_cast<std::size_t>(std::find(names.begin(), names.end(), chosen) - names.begin())].second);
    place_ = widgethost::placeFor(kept, output_, area_, [&](int width, int height) {
        return places_.defaultPosition(number_, width, height);
    });
    clamp();
}

void GnomeShellSurface::takeOutputSize(GdkMonitor* monitor) {
    GdkRectangle geometry;
    gdk_monitor_get_geometry(monitor, &geometry);
    outputWidth_ = geometry.width, outputHeight_ = geometry.height;
    scale_ = std::max(1, gdk_monitor_get_scale_factor(monitor));
    area_ = desktop_.workArea(output_, outputWidth_, outputHeight_);
}

/// Keeps the whole widget in the output's work area (off the shell's panels).
void GnomeShellSurface::clamp() {
    place_ = keptWithin(place_, width_, height_, area_);
}

/// A countdown's seconds change the picture alone: the extension then fetches just the picture,
/// and asks for the widgets again only when what it reads of them changed too.
void GnomeShellSurface::redraw() {
    if (!view_) return;
    const auto sizeOf = [](const SharedPicture* picture) {
        return picture ? std::optional<PictureSize>({picture->width, picture->height}) : std::nullopt;
    };
    const std::optional<PictureSize> shown = sizeOf(picture_.get());
    std::optional<PictureSize> drawn;
    if (auto picture = drawShared(*view_, scale_)) {
        drawn = sizeOf(picture.get());
        picture_ = std::move(picture);
        ++serial_;
    }
    std::vector<ui::AccessibilityElement> elements = view_->accessibilityElements();
    if (pictureGoesAlone(shown, drawn, elements == publishedElements_))
        desktop_.pictureChanged(number_, serial_);
    else
        desktop_.changed();
    publishedElements_ = std::move(elements);
}

} // namespace widgethost
