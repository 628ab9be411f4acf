#include "host/LiveWindow.hpp"

#include "host/ConfigurationEditor.hpp"
#include "host/GLibCallback.hpp"
#include "host/LiveHost.hpp"
#include "host/LiveLog.hpp"
#include "platform/foundation/Locale.hpp"
#include "platform/widgetkit/WidgetFamily.hpp"

#include <gtk/gtk.h>
#ifdef GDK_WINDOWING_X11
#include <gdk/x11/gdkx.h>
#endif

#include <algorithm>
#include <cmath>

namespace widgethost {

namespace pf = platform::foundation;
namespace ui = platform::ui;
namespace wk = platform::widgetkit;

namespace {

constexpr const char* familyNames[][2] = {{"small", "Small"}, {"medium", "Medium"}, {"large", "Large"}};

std::string_view shortName(ui::WidgetFamily family) {
    switch (family) {
    case ui::WidgetFamily::systemSmall:
        return "small";
    case ui::WidgetFamily::systemMedium:
        return "medium";
    case ui::WidgetFamily::systemLarge:
        return "large";
    }
    return "medium";
}

std::optional<ui::WidgetFamily> familyNamed(std::string_view name) {
    for (const auto family :
         {ui::WidgetFamily::systemSmall, ui::WidgetFamily::systemMedium, ui::WidgetFamily::systemLarge})
        if (shortName(family) == name) return family;
    return std::nullopt;
}

int points(double length) {
    return std::max(1, static_cast<int>(std::lround(length)));
}

std::string milliseconds(long long microseconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", static_cast<double>(microseconds) / 1000);
    return text;
}

} // namespace

LiveWindow::LiveWindow(LiveHost& host, PlacedWidget placed) : host_(host), placed_(std::move(placed)) {
    build();
}

LiveWindow::~LiveWindow() {
    cancelTimer();
    discardPicture();
    if (positionSaveTimer_) g_source_remove(positionSaveTimer_);
#ifdef GDK_WINDOWING_X11
    if (positionHandler_) g_signal_handler_disconnect(gdk_display_get_default(), positionHandler_);
#endif
    if (menu_) gtk_widget_unparent(menu_);
    if (actions_) g_object_unref(actions_);
    // The window goes with its widgets; nothing of ours is called from it any more.
    g_signal_handlers_disconnect_by_data(window_, this);
    gtk_window_destroy(window_);
}

// MARK: Building the window

void LiveWindow::build() {
    window_ = GTK_WINDOW(gtk_window_new());
    gtk_window_set_application(window_, host_.application());
    gtk_window_set_decorated(window_, FALSE);
    gtk_window_set_resizable(window_, FALSE);
    gtk_window_set_title(window_,
                         (host_.widget().displayName + " " + std::to_string(placed_.number)).c_str());
    gtk_widget_add_css_class(GTK_WIDGET(window_), "tallyfox-widget");

    overlay_ = gtk_overlay_new();
    drawing_ = gtk_drawing_area_new();
    gtk_drawing_area_set_draw_func(
        GTK_DRAWING_AREA(drawing_),
        [](GtkDrawingArea*, cairo_t* context, int width, int height, gpointer self) {
            static_cast<LiveWindow*>(self)->draw(context, width, height);
        },
        this, nullptr);
    // The drawing itself says nothing to a screen reader: the layer above it does.
    gtk_accessible_update_state(GTK_ACCESSIBLE(drawing_), GTK_ACCESSIBLE_STATE_HIDDEN, TRUE, -1);
    gtk_widget_set_has_tooltip(drawing_, TRUE);
    g_signal_connect(
        drawing_, "query-tooltip",
        asCallback(+[](GtkWidget*, int x, int y, gboolean, GtkTooltip* tooltip, gpointer self) -> gboolean {
            auto* window = static_cast<LiveWindow*>(self);
            if (!window->view_) return FALSE;
            const auto tag = window->view_->helpTag({static_cast<double>(x), static_cast<double>(y)});
            if (!tag) return FALSE;
            gtk_tooltip_set_text(tooltip, tag->text.c_str());
            const GdkRectangle area{static_cast<int>(std::floor(tag->frame.minX())),
                                    static_cast<int>(std::floor(tag->frame.minY())),
                                    static_cast<int>(std::ceil(tag->frame.width())),
                                    static_cast<int>(std::ceil(tag->frame.height()))};
            gtk_tooltip_set_tip_area(tooltip, &area);
            return TRUE;
        }),
        this);
    gtk_overlay_set_child(GTK_OVERLAY(overlay_), drawing_);

    accessibilityLayer_ = gtk_fixed_new();
    gtk_widget_set_can_target(accessibilityLayer_, FALSE);
    gtk_widget_set_can_focus(accessibilityLayer_, FALSE);
    gtk_overlay_add_overlay(GTK_OVERLAY(overlay_), accessibilityLayer_);
    gtk_window_set_child(window_, overlay_);

    // The secondary button, or whatever the platform opens menus with, opens the menu.
    GtkGesture* press = gtk_gesture_click_new();
    gtk_gesture_single_set_button(GTK_GESTURE_SINGLE(press), 0);
    g_signal_connect(
        press, "pressed", asCallback(+[](GtkGestureClick* gesture, int, double x, double y, gpointer self) {
            GdkEvent* event = gtk_event_controller_get_current_event(GTK_EVENT_CONTROLLER(gesture));
            if (!event || !gdk_event_triggers_context_menu(event)) return;
            gtk_gesture_set_state(GTK_GESTURE(gesture), GTK_EVENT_SEQUENCE_CLAIMED);
            static_cast<LiveWindow*>(self)->openMenu(x, y);
        }),
        this);
    gtk_widget_add_controller(overlay_, GTK_EVENT_CONTROLLER(press));

    // A drag with the first button moves the window: past the drag threshold, the window manager or
    // compositor takes the drag over (as a title bar hands it over).
    GtkGesture* drag = gtk_gesture_drag_new();
    gtk_gesture_single_set_button(GTK_GESTURE_SINGLE(drag), GDK_BUTTON_PRIMARY);
    g_signal_connect(
        drag, "drag-update", asCallback(+[](GtkGestureDrag* gesture, double dx, double dy, gpointer self) {
            auto* window = static_cast<LiveWindow*>(self);
            if (!gtk_drag_check_threshold(window->overlay_, 0, 0, static_cast<int>(dx), static_cast<int>(dy)))
                return;
            GdkSurface* surface = gtk_native_get_surface(GTK_NATIVE(window->window_));
            if (!surface || !GDK_IS_TOPLEVEL(surface)) return;
            double startX = 0, startY = 0, surfaceX = 0, surfaceY = 0;
            gtk_gesture_drag_get_start_point(gesture, &startX, &startY);
            gtk_widget_translate_coordinates(window->overlay_, GTK_WIDGET(window->window_), startX, startY,
                                             &startX, &startY);
            gtk_native_get_surface_transform(GTK_NATIVE(window->window_), &surfaceX, &surfaceY);
            GdkDevice* device = gtk_gesture_get_device(GTK_GESTURE(gesture));
            const guint32 time = gtk_event_controller_get_current_event_time(GTK_EVENT_CONTROLLER(gesture));
            // The gesture ends here: the release goes to whoever moves the window.
            gtk_event_controller_reset(GTK_EVENT_CONTROLLER(gesture));
            liveTrace("widget " + std::to_string(window->placed_.number) + " is being moved");
            gdk_toplevel_begin_move(GDK_TOPLEVEL(surface), device, GDK_BUTTON_PRIMARY, startX + surfaceX,
                                    startY + surfaceY, time);
        }),
        this);
    gtk_widget_add_controller(overlay_, GTK_EVENT_CONTROLLER(drag));

    // The menu from the keyboard too.
    GtkEventController* keys = gtk_shortcut_controller_new();
    GtkShortcutAction* open = gtk_callback_action_new(
        [](GtkWidget*, GVariant*, gpointer self) -> gboolean {
            auto* window = static_cast<LiveWindow*>(self);
            window->openMenu(gtk_widget_get_width(window->overlay_) / 2.0,
                             gtk_widget_get_height(window->overlay_) / 2.0);
            return TRUE;
        },
        this, nullptr);
    gtk_shortcut_controller_add_shortcut(
        GTK_SHORTCUT_CONTROLLER(keys),
        gtk_shortcut_new(gtk_shortcut_trigger_parse_string("<Shift>F10|Menu"), open));
    gtk_widget_add_controller(GTK_WIDGET(window_), keys);

    // The widget's actions, for its menu.
    actions_ = g_simple_action_group_new();
    const auto add = [&](const char* name, GCallback activated, const GVariantType* parameter = nullptr,
                         GVariant* state = nullptr) {
        GSimpleAction* action = state ? g_simple_action_new_stateful(name, parameter, state)
                                      : g_simple_action_new(name, parameter);
        g_signal_connect(action, "activate", activated, this);
        g_action_map_add_action(G_ACTION_MAP(actions_), G_ACTION(action));
        g_object_unref(action);
    };
    add("edit", asCallback(+[](GSimpleAction*, GVariant*, gpointer self) {
            static_cast<LiveWindow*>(self)->openEditor();
        }));
    add("size", asCallback(+[](GSimpleAction*, GVariant* parameter, gpointer self) {
            auto* window = static_cast<LiveWindow*>(self);
            const auto family = familyNamed(g_variant_get_string(parameter, nullptr));
            const std::int64_t number = window->placed_.number;
            if (family)
                window->host_.later(
                    [number, family = *family](LiveHost& host) { host.changeFamily(number, family); });
        }),
        G_VARIANT_TYPE_STRING, g_variant_new_string(std::string(shortName(placed_.family)).c_str()));
    add("remove", asCallback(+[](GSimpleAction*, GVariant*, gpointer self) {
            const std::int64_t number = static_cast<LiveWindow*>(self)->placed_.number;
            static_cast<LiveWindow*>(self)->host_.later(
                [number](LiveHost& host) { host.removeWidget(number); });
        }));
    add("add", asCallback(+[](GSimpleAction*, GVariant*, gpointer self) {
            static_cast<LiveWindow*>(self)->host_.later([](LiveHost& host) { host.addWidget(); });
        }));
    add("quit", asCallback(+[](GSimpleAction*, GVariant*, gpointer self) {
            static_cast<LiveWindow*>(self)->host_.later([](LiveHost& host) { host.quit(); });
        }));
    gtk_widget_insert_action_group(GTK_WIDGET(window_), "widget", G_ACTION_GROUP(actions_));

    GMenu* menu = g_menu_new();
    GMenu* editing = g_menu_new();
    g_menu_append(editing, "Edit Widget…", "widget.edit");
    GMenu* sizes = g_menu_new();
    for (const auto& [name, title] : familyNames) {
        const auto family = familyNamed(name);
        const auto& supported = host_.widget().supportedFamilies;
        if (family && std::find(supported.begin(), supported.end(), *family) != supported.end())
            g_menu_append(sizes, title, (std::string("widget.size::") + name).c_str());
    }
    g_menu_append_submenu(editing, "Size", G_MENU_MODEL(sizes));
    g_menu_append_section(menu, nullptr, G_MENU_MODEL(editing));
    GMenu* placing = g_menu_new();
    g_menu_append(placing, "Remove Widget", "widget.remove");
    g_menu_append(placing, "Add Widget", "widget.add");
    g_menu_append_section(menu, nullptr, G_MENU_MODEL(placing));
    GMenu* ending = g_menu_new();
    g_menu_append(ending, "Quit", "widget.quit");
    g_menu_append_section(menu, nullptr, G_MENU_MODEL(ending));
    menu_ = gtk_popover_menu_new_from_model(G_MENU_MODEL(menu));
    gtk_popover_set_has_arrow(GTK_POPOVER(menu_), FALSE);
    gtk_widget_set_halign(menu_, GTK_ALIGN_START);
    gtk_widget_set_parent(menu_, overlay_);
    for (GMenu* part : {menu, editing, sizes, placing, ending})
        g_object_unref(part);

    g_signal_connect(window_, "close-request", asCallback(+[](GtkWindow* window, gpointer self) -> gboolean {
                         // Closed by the window manager: the widget stays placed and comes back with
                         // the next `widgethost show`.
                         gtk_widget_set_visible(GTK_WIDGET(window), FALSE);
                         static_cast<LiveWindow*>(self)->host_.later(
                             [](LiveHost& host) { host.windowClosed(); });
                         return TRUE;
                     }),
                     this);
    g_signal_connect(window_, "realize", asCallback(+[](GtkWidget*, gpointer self) {
                         static_cast<LiveWindow*>(self)->placeOnScreen();
                     }),
                     this);
    g_signal_connect(window_, "map", asCallback(+[](GtkWidget*, gpointer self) {
                         auto* window = static_cast<LiveWindow*>(self);
                         window->keepTrackOfPosition();
                         window->tick(true); // live texts move again
                     }),
                     this);
    applyFamily();
}

void LiveWindow::applyFamily() {
    const ui::Size size = ui::metrics::widgetSize(placed_.family);
    gtk_drawing_area_set_content_width(GTK_DRAWING_AREA(drawing_), points(size.width));
    gtk_drawing_area_set_content_height(GTK_DRAWING_AREA(drawing_), points(size.height));
    gtk_window_set_default_size(window_, points(size.width), points(size.height));
    if (GAction* action = g_action_map_lookup_action(G_ACTION_MAP(actions_), "size"))
        g_simple_action_set_state(G_SIMPLE_ACTION(action),
                                  g_variant_new_string(std::string(shortName(placed_.family)).c_str()));
}

// MARK: Placing on the screen

void LiveWindow::placeOnScreen() {
#ifdef GDK_WINDOWING_X11
    // X11 lets a client place its windows; Wayland leaves that to the compositor alone.
    GdkSurface* surface = gtk_native_get_surface(GTK_NATIVE(window_));
    if (!GDK_IS_X11_SURFACE(surface)) return;
    Display* display = gdk_x11_display_get_xdisplay(gdk_surface_get_display(surface));
    const Window xid = gdk_x11_surface_get_xid(surface);
    auto position = host_.storedPosition(placed_.number);
    if (!position) {
        int screenWidth = DisplayWidth(display, DefaultScreen(display));
        GListModel* monitors = gdk_display_get_monitors(gdk_surface_get_display(surface));
        if (g_list_model_get_n_items(monitors) > 0) {
            auto* monitor = static_cast<GdkMonitor*>(g_list_model_get_item(monitors, 0));
            GdkRectangle geometry;
            gdk_monitor_get_geometry(monitor, &geometry);
            screenWidth = (geometry.x + geometry.width) * gdk_monitor_get_scale_factor(monitor);
            g_object_unref(monitor);
        }
        position = host_.defaultPosition(placed_.number, screenWidth, gdk_surface_get_scale_factor(surface));
    }
    XMoveWindow(display, xid, position->x, position->y);
    // A widget is part of the desktop, not a task: no taskbar or pager entry.
    gdk_x11_surface_set_skip_taskbar_hint(GDK_X11_SURFACE(surface), TRUE);
    gdk_x11_surface_set_skip_pager_hint(GDK_X11_SURFACE(surface), TRUE);
#endif
}

void LiveWindow::keepTrackOfPosition() {
#ifdef GDK_WINDOWING_X11
    GdkSurface* surface = gtk_native_get_surface(GTK_NATIVE(window_));
    if (!GDK_IS_X11_SURFACE(surface)) return;
    Display* display = gdk_x11_display_get_xdisplay(gdk_surface_get_display(surface));
    const Window xid = gdk_x11_surface_get_xid(surface);
    // A window manager may have placed the window on its own when it was mapped: where it was kept wins.
    if (const auto position = host_.storedPosition(placed_.number))
        XMoveWindow(display, xid, position->x, position->y);
    // Below other windows, like the desktop it belongs to.
    XEvent below{};
    below.xclient.type = ClientMessage;
    below.xclient.window = xid;
    below.xclient.message_type = XInternAtom(display, "_NET_WM_STATE", False);
    below.xclient.format = 32;
    below.xclient.data.l[0] = 1; // add
    below.xclient.data.l[1] = static_cast<long>(XInternAtom(display, "_NET_WM_STATE_BELOW", False));
    below.xclient.data.l[3] = 1; // from an application
    XSendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask,
               &below);

    if (positionHandler_) return;
    // Every move of the window (a drag, the window manager) ends in a configure notification; the
    // position is kept once the window has been still for half a second.
    positionHandler_ =
        g_signal_connect(gdk_surface_get_display(surface), "xevent",
                         asCallback(+[](GdkDisplay*, gpointer event, gpointer self) -> gboolean {
                             auto* window = static_cast<LiveWindow*>(self);
                             const auto* x = static_cast<const XEvent*>(event);
                             GdkSurface* own = gtk_native_get_surface(GTK_NATIVE(window->window_));
                             if (x->type != ConfigureNotify || !GDK_IS_X11_SURFACE(own) ||
                                 x->xconfigure.window != gdk_x11_surface_get_xid(own))
                                 return FALSE;
                             if (window->positionSaveTimer_) g_source_remove(window->positionSaveTimer_);
                             window->positionSaveTimer_ = g_timeout_add(
                                 500,
                                 [](gpointer data) -> gboolean {
                                     auto* saving = static_cast<LiveWindow*>(data);
                                     saving->positionSaveTimer_ = 0;
                                     saving->savePosition();
                                     return G_SOURCE_REMOVE;
                                 },
                                 window);
                             return FALSE;
                         }),
                         this);
#endif
}

void LiveWindow::savePosition() {
#ifdef GDK_WINDOWING_X11
    GdkSurface* surface = gtk_native_get_surface(GTK_NATIVE(window_));
    if (!GDK_IS_X11_SURFACE(surface)) return;
    Display* display = gdk_x11_display_get_xdisplay(gdk_surface_get_display(surface));
    int rootX = 0, rootY = 0;
    Window child = 0;
    // Where the window is on the root window, whatever frame a window manager put around it.
    if (XTranslateCoordinates(display, gdk_x11_surface_get_xid(surface), DefaultRootWindow(display), 0, 0,
                              &rootX, &rootY, &child))
        host_.rememberPosition(placed_.number, {rootX, rootY});
#endif
}

// MARK: Timelines and the clock

void LiveWindow::present() {
    gtk_window_present(window_);
    if (!hasTimeline_ && !requesting_) requestTimeline();
}

bool LiveWindow::shown() const {
    return gtk_widget_get_mapped(GTK_WIDGET(window_));
}

void LiveWindow::update(const PlacedWidget& placed) {
    const bool resized = placed.family != placed_.family;
    const bool reconfigured = placed.configuration != placed_.configuration;
    placed_ = placed;
    if (resized) {
        applyFamily();
        tick(true);
    }
    if (resized || reconfigured) requestTimeline();
}

void LiveWindow::reload() {
    requestTimeline();
}

void LiveWindow::redraw() {
    tick(true);
}

void LiveWindow::requestTimeline() {
    if (requesting_) {
        // The answer on its way may have read the file before it changed: ask once more after it.
        requestAgain_ = true;
        return;
    }
    requesting_ = true;
    requestAgain_ = false;
    pendingEventTime_ = host_.snapshotEventTime();
    const pf::Date requestedAt = pf::Clock::now();
    const ui::Size size = ui::metrics::widgetSize(placed_.family);
    const wk::TimelineProviderContext context{placed_.family, false, {size.width, size.height}};
    const wk::AnyTimelineProvider* provider = &host_.widget().provider;
    const wk::IntentConfiguration configuration = placed_.configuration;
    std::weak_ptr<LiveWindow> weak = weak_from_this();
    liveTrace("widget " + std::to_string(placed_.number) + " asks for a timeline");
    host_.queue().run<wk::Timeline<wk::WidgetEntry>>(
        [provider, configuration, context] { return provider->timeline(configuration, context); },
        [weak, requestedAt](wk::Timeline<wk::WidgetEntry> timeline) {
            if (auto window = weak.lock()) window->receive(std::move(timeline), requestedAt);
        },
        [weak, requestedAt](std::string reason) {
            liveLog("the timeline request failed: " + reason);
            auto window = weak.lock();
            if (!window) return;
            // What is shown stays; the next try comes when a reload would.
            window->requesting_ = false;
            if (!window->hasTimeline_) {
                window->timeline_ = {{}, wk::TimelineReloadPolicy::atEnd(), requestedAt};
                window->hasTimeline_ = true;
            } else {
                window->timeline_.requestedAt = requestedAt;
            }
            window->tick(false);
        });
}

void LiveWindow::receive(wk::Timeline<wk::WidgetEntry> timeline, pf::Date requestedAt) {
    requesting_ = false;
    entries_ = std::move(timeline.entries);
    timeline_ = {{}, timeline.policy, requestedAt};
    for (const auto& entry : entries_)
        timeline_.entryDates.push_back(entry.date);
    hasTimeline_ = true;
    drawEventTime_ = pendingEventTime_;
    pendingEventTime_ = 0;
    liveTrace("widget " + std::to_string(placed_.number) + " received a timeline of " +
              std::to_string(entries_.size()) + " entries");
    tick(true);
    if (requestAgain_) requestTimeline();
}

void LiveWindow::tick(bool relayout) {
    const pf::Date now = pf::Clock::now();
    if (hasTimeline_ && !entries_.empty()) {
        const std::size_t index = planAt(timeline_, now, ui::LiveTextUpdates::none).entryIndex;
        const bool live = shown() && view_ && view_->liveTextUpdates() != ui::LiveTextUpdates::none;
        if (relayout || live || shownEntry_ != index) {
            if (shownEntry_ != index)
                liveTrace("widget " + std::to_string(placed_.number) + " shows entry " +
                          std::to_string(index));
            shownEntry_ = index;
            layOut(now);
        }
    }
    const auto live = shown() && view_ ? view_->liveTextUpdates() : ui::LiveTextUpdates::none;
    const LivePlan plan = planAt(timeline_, now, live);
    if (hasTimeline_ && plan.reloadDue) requestTimeline();
    schedule(plan.nextWake);
}

void LiveWindow::layOut(pf::Date now) {
    const auto& entry = entries_.at(*shownEntry_);
    ui::Environment environment = ui::Environment::standard();
    environment.locale = pf::Locale::current();
    environment.layoutDirection = environment.locale.isRightToLeft() ? ui::LayoutDirection::rightToLeft
                                                                     : ui::LayoutDirection::leftToRight;
    environment.colorScheme = host_.colorScheme();
    environment.colorSchemeContrast = host_.contrast();
    environment.widgetFamily = placed_.family;
    environment.date = now; // live texts as of now
    try {
        view_ = ui::layoutWidget(entry.content(placed_.family), environment);
    } catch (const std::exception& error) {
        liveLog(std::string("the widget's content failed: ") + error.what());
        return;
    }
    discardPicture();
    gtk_widget_queue_draw(drawing_);
    updateAccessibility();
}

void LiveWindow::schedule(pf::Date wake) {
    cancelTimer();
    const double seconds = wake.timeIntervalSince(pf::Clock::now());
    const auto delay = static_cast<guint>(std::clamp(std::ceil(seconds * 1000), 1.0, longestSleep * 1000));
    timer_ = g_timeout_add(
        delay,
        [](gpointer self) -> gboolean {
            auto* window = static_cast<LiveWindow*>(self);
            window->timer_ = 0;
            window->tick(false);
            return G_SOURCE_REMOVE;
        },
        this);
}

void LiveWindow::cancelTimer() {
    if (timer_) g_source_remove(timer_);
    timer_ = 0;
}

// MARK: Drawing and accessibility

void LiveWindow::draw(cairo_t* context, int, int) {
    if (!view_) return;
    // The picture is drawn once per layout into an image at the window's scale factor, exactly as a
    // PNG of the entry is, and painted from there: every redraw GTK asks for (a popover closing, an
    // expose) costs a copy, and the window shows the renderer's own pixels.
    const int scale = std::max(1, gtk_widget_get_scale_factor(drawing_));
    if (!picture_ || pictureScale_ != scale) {
        if (picture_) cairo_surface_destroy(picture_);
        const ui::Size size = view_->size();
        picture_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, points(size.width) * scale,
                                              points(size.height) * scale);
        cairo_surface_set_device_scale(picture_, scale, scale);
        pictureScale_ = scale;
        cairo_t* painter = cairo_create(picture_);
        view_->draw(painter);
        cairo_destroy(painter);
    }
    cairo_set_source_surface(context, picture_, 0, 0);
    cairo_paint(context);
    if (!liveTracing()) return;
    std::string line =
        "widget " + std::to_string(placed_.number) + " drew entry " + std::to_string(shownEntry_.value_or(0));
    if (drawEventTime_) {
        line +=
            ", " + milliseconds(g_get_monotonic_time() - drawEventTime_) + " ms after the snapshot changed";
        drawEventTime_ = 0;
    }
    liveTrace(line);
}

void LiveWindow::discardPicture() {
    if (picture_) cairo_surface_destroy(picture_);
    picture_ = nullptr;
}

void LiveWindow::updateAccessibility() {
    auto elements = view_->accessibilityElements();
    if (elements == accessibilityShown_) return;
    for (std::size_t index = 0; index < elements.size(); ++index) {
        const auto& element = elements[index];
        const int x = static_cast<int>(std::lround(element.frame.minX())),
                  y = static_cast<int>(std::lround(element.frame.minY()));
        if (index == accessibilityWidgets_.size()) {
            // A plain widget with the text's role, placed over the part of the drawing it stands for.
            GtkWidget* reader =
                GTK_WIDGET(g_object_new(GTK_TYPE_BOX, "accessible-role", GTK_ACCESSIBLE_ROLE_LABEL, nullptr));
            gtk_widget_set_can_target(reader, FALSE);
            gtk_widget_set_can_focus(reader, FALSE);
            gtk_fixed_put(GTK_FIXED(accessibilityLayer_), reader, x, y);
            accessibilityWidgets_.push_back(reader);
        } else {
            gtk_fixed_move(GTK_FIXED(accessibilityLayer_), accessibilityWidgets_[index], x, y);
        }
        GtkWidget* reader = accessibilityWidgets_[index];
        gtk_widget_set_size_request(reader, points(element.frame.width()), points(element.frame.height()));
        gtk_accessible_update_property(GTK_ACCESSIBLE(reader), GTK_ACCESSIBLE_PROPERTY_LABEL,
                                       element.node.label.c_str(), -1);
        if (element.node.value.empty())
            gtk_accessible_reset_property(GTK_ACCESSIBLE(reader), GTK_ACCESSIBLE_PROPERTY_DESCRIPTION);
        else
            gtk_accessible_update_property(GTK_ACCESSIBLE(reader), GTK_ACCESSIBLE_PROPERTY_DESCRIPTION,
                                           element.node.value.c_str(), -1);
    }
    while (accessibilityWidgets_.size() > elements.size()) {
        gtk_fixed_remove(GTK_FIXED(accessibilityLayer_), accessibilityWidgets_.back());
        accessibilityWidgets_.pop_back();
    }
    accessibilityShown_ = std::move(elements);
}

// MARK: Menu and editor

void LiveWindow::openMenu(double x, double y) {
    const GdkRectangle at{static_cast<int>(x), static_cast<int>(y), 1, 1};
    gtk_popover_set_pointing_to(GTK_POPOVER(menu_), &at);
    gtk_popover_popup(GTK_POPOVER(menu_));
}

void LiveWindow::openEditor() {
    openConfigurationEditor(window_, host_, placed_);
}

} // namespace widgethost
