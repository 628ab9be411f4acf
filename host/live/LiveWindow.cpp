#include "host/live/LiveWindow.hpp"

#include "host/identity/HostIdentity.hpp"
#include "host/live/ConfigurationEditor.hpp"
#include "host/gtk/GLibCallback.hpp"
#include "host/strings/HostStrings.hpp"
#include "host/gtk/LiveLog.hpp"
#include "host/live/WidgetArea.hpp"
#include "platform/widgetkit/WidgetFamily.hpp"

#include <algorithm>
#include <cmath>
#include <gtk/gtk.h>

namespace widgethost {

namespace pf = platform::foundation;
namespace ui = platform::ui;
namespace wk = platform::widgetkit;

namespace {

int points(double length) {
    return std::max(1, static_cast<int>(std::lround(length)));
}

std::string milliseconds(long long microseconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", static_cast<double>(microseconds) / 1000);
    return text;
}

/// The size's name in the menu.
std::string familyTitle(ui::WidgetFamily family) {
    switch (family) {
    case ui::WidgetFamily::systemSmall:
        return hostText("Small");
    case ui::WidgetFamily::systemMedium:
        return hostText("Medium");
    case ui::WidgetFamily::systemLarge:
        return hostText("Large");
    }
    return hostText("Medium");
}

} // namespace

LiveWindow::LiveWindow(WindowHost& host, PlacedWidget placed) : host_(host), placed_(std::move(placed)) {
    build();
}

LiveWindow::~LiveWindow() {
    cancelTimer();
    discardPicture();
    if (menu_) gtk_widget_destroy(menu_);
    if (actions_) g_object_unref(actions_);
    widgetAreaSetMenuAction(area_, nullptr, {});
    widgetAreaSetMenu(area_, nullptr);
    // The window goes with its widgets; nothing of ours is called from it any more.
    g_signal_handlers_disconnect_by_data(window_, this);
    g_signal_handlers_disconnect_by_data(area_, this);
    surface_.reset();
    gtk_widget_destroy(GTK_WIDGET(window_));
}

// MARK: Building the window

void LiveWindow::build() {
    const std::string title = host_.widget().displayName + " " + std::to_string(placed_.number);
    makeWindow(title);
    makeArea(title);
    makeActions();
    GMenu* menu = makeMenu();
    followWindow();
    surface_ = host_.surfaces().makeSurface(window_, placed_.number, title, host_);
    surface_->prepare();
    // The model lives on in the menu (and in a windowless surface's hands).
    surface_->menuChanged(G_MENU_MODEL(menu), G_ACTION_GROUP(actions_));
    g_object_unref(menu);
    applyFamily();
}

void LiveWindow::makeWindow(const std::string& title) {
    window_ = GTK_WINDOW(gtk_window_new(GTK_WINDOW_TOPLEVEL));
    gtk_window_set_application(window_, host_.application());
    gtk_window_set_decorated(window_, FALSE);
    gtk_window_set_resizable(window_, FALSE);
    gtk_window_set_title(window_, title.c_str());
    gtk_window_set_icon_name(window_, liveHostApplicationID);
    gtk_widget_set_app_paintable(GTK_WIDGET(window_), TRUE);
    // Corners outside the rounded widget are transparent wherever the display can blend.
    if (GdkVisual* visual = gdk_screen_get_rgba_visual(gtk_widget_get_screen(GTK_WIDGET(window_))))
        gtk_widget_set_visual(GTK_WIDGET(window_), visual);
    gtk_style_context_add_class(gtk_widget_get_style_context(GTK_WIDGET(window_)), "tallyfox-widget");
    // Nothing but the picture: the window itself stays transparent.
    g_signal_connect(window_, "draw", asCallback(+[](GtkWidget*, cairo_t* context, gpointer) -> gboolean {
                         cairo_save(context);
                         cairo_set_operator(context, CAIRO_OPERATOR_CLEAR);
                         cairo_paint(context);
                         cairo_restore(context);
                         return FALSE;
                     }),
                     nullptr);
}

void LiveWindow::makeArea(const std::string& title) {
    area_ = widgetAreaNew(title);
    gtk_widget_set_can_focus(area_, TRUE);
    g_signal_connect(area_, "draw", asCallback(+[](GtkWidget*, cairo_t* context, gpointer self) -> gboolean {
                         static_cast<LiveWindow*>(self)->draw(context);
                         return TRUE;
                     }),
                     this);
    followPointer();
    gtk_widget_set_has_tooltip(area_, TRUE);
    g_signal_connect(
        area_, "query-tooltip",
        asCallback(+[](GtkWidget*, int x, int y, gboolean, GtkTooltip* tooltip, gpointer self) -> gboolean {
            return static_cast<LiveWindow*>(self)->showHelp(x, y, tooltip);
        }),
        this);
    g_signal_connect(area_, "notify::scale-factor", asCallback(+[](GObject*, GParamSpec*, gpointer self) {
                         auto* window = static_cast<LiveWindow*>(self);
                         gtk_widget_queue_draw(window->area_);
                     }),
                     this);
    widgetAreaSetMenuAction(
        area_,
        [this] {
            // Opened from assistive technology: at the widget, as from the keyboard.
            openMenu(nullptr);
        },
        hostText("Open the widget's menu"));
    gtk_container_add(GTK_CONTAINER(window_), area_);
}

void LiveWindow::followPointer() {
    gtk_widget_add_events(area_, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK | GDK_BUTTON1_MOTION_MASK |
                                     GDK_POINTER_MOTION_MASK);
    g_signal_connect(area_, "button-press-event",
                     asCallback(+[](GtkWidget*, GdkEvent* event, gpointer self) -> gboolean {
                         return static_cast<LiveWindow*>(self)->pressed(event);
                     }),
                     this);
    g_signal_connect(area_, "button-release-event",
                     asCallback(+[](GtkWidget*, GdkEvent* event, gpointer self) -> gboolean {
                         return static_cast<LiveWindow*>(self)->released(event);
                     }),
                     this);
    g_signal_connect(area_, "motion-notify-event",
                     asCallback(+[](GtkWidget*, GdkEvent* event, gpointer self) -> gboolean {
                         return static_cast<LiveWindow*>(self)->motion(event);
                     }),
                     this);
    // Shift+F10 and the menu key.
    g_signal_connect(area_, "popup-menu", asCallback(+[](GtkWidget*, gpointer self) -> gboolean {
                         static_cast<LiveWindow*>(self)->openMenu(nullptr);
                         return TRUE;
                     }),
                     this);
}

bool LiveWindow::showHelp(int x, int y, GtkTooltip* tooltip) {
    if (!view_) return FALSE;
    const auto tag = view_->helpTag({static_cast<double>(x), static_cast<double>(y)});
    if (!tag) return FALSE;
    gtk_tooltip_set_text(tooltip, tag->text.c_str());
    const GdkRectangle area{static_cast<int>(std::floor(tag->frame.minX())),
                            static_cast<int>(std::floor(tag->frame.minY())),
                            static_cast<int>(std::ceil(tag->frame.width())),
                            static_cast<int>(std::ceil(tag->frame.height()))};
    gtk_tooltip_set_tip_area(tooltip, &area);
    if (tag->text != helpShown_) {
        helpShown_ = tag->text;
        liveTrace("widget " + std::to_string(placed_.number) + " shows the help \"" + tag->text + "\"");
    }
    return TRUE;
}

void LiveWindow::makeActions() {
    actions_ = g_simple_action_group_new();
    const auto add = [&](const char* name, GCallback activated, const GVariantType* parameter = nullptr) {
        GSimpleAction* action = g_simple_action_new(name, parameter);
        g_signal_connect(action, "activate", activated, this);
        g_action_map_add_action(G_ACTION_MAP(actions_), G_ACTION(action));
        g_object_unref(action);
    };
    add("edit", asCallback(+[](GSimpleAction*, GVariant*, gpointer self) {
            static_cast<LiveWindow*>(self)->openEditor();
        }));
    add("size", asCallback(+[](GSimpleAction*, GVariant* parameter, gpointer self) {
            auto* window = static_cast<LiveWindow*>(self);
            const auto family = wk::widgetFamily(g_variant_get_string(parameter, nullptr));
            const std::int64_t number = window->placed_.number;
            if (family)
                window->host_.later(
                    [number, family = *family](WindowHost& host) { host.changeFamily(number, family); });
        }),
        G_VARIANT_TYPE_STRING);
    add("remove", asCallback(+[](GSimpleAction*, GVariant*, gpointer self) {
            const std::int64_t number = static_cast<LiveWindow*>(self)->placed_.number;
            static_cast<LiveWindow*>(self)->host_.later([number](WindowHost& host) { host.removeWidget(number); });
        }));
    add("add", asCallback(+[](GSimpleAction*, GVariant*, gpointer self) {
            static_cast<LiveWindow*>(self)->host_.later([](WindowHost& host) { host.addWidget(); });
        }));
    add("quit", asCallback(+[](GSimpleAction*, GVariant*, gpointer self) {
            static_cast<LiveWindow*>(self)->host_.later([](WindowHost& host) { host.quit(); });
        }));
    gtk_widget_insert_action_group(GTK_WIDGET(window_), "widget", G_ACTION_GROUP(actions_));
}

GMenu* LiveWindow::makeMenu() {
    GMenu* menu = g_menu_new();
    // Each part lives on in the menu that links it.
    const auto section = [menu](GMenu* part) {
        g_menu_append_section(menu, nullptr, G_MENU_MODEL(part));
        g_object_unref(part);
    };
    GMenu* editing = g_menu_new();
    g_menu_append(editing, hostText("Edit Widget…").c_str(), "widget.edit");
    GMenu* sizes = g_menu_new();
    for (const auto family : host_.widget().supportedFamilies)
        g_menu_append(sizes, familyTitle(family).c_str(),
                      (std::string("widget.size::") + std::string(wk::name(family))).c_str());
    g_menu_append_submenu(editing, hostText("Size").c_str(), G_MENU_MODEL(sizes));
    g_object_unref(sizes);
    section(editing);
    GMenu* placing = g_menu_new();
    g_menu_append(placing, hostText("Remove Widget").c_str(), "widget.remove");
    g_menu_append(placing, hostText("Add Widget").c_str(), "widget.add");
    section(placing);
    GMenu* ending = g_menu_new();
    g_menu_append(ending, hostText("Quit").c_str(), "widget.quit");
    section(ending);
    menu_ = gtk_menu_new_from_model(G_MENU_MODEL(menu));
    g_object_ref_sink(menu_);
    gtk_menu_attach_to_widget(GTK_MENU(menu_), area_, nullptr);
    widgetAreaSetMenu(area_, menu_);
    g_signal_connect(menu_, "deactivate", asCallback(+[](GtkMenuShell*, gpointer self) {
                         static_cast<LiveWindow*>(self)->menuClosed();
                     }),
                     this);
    return menu;
}

void LiveWindow::followWindow() {
    g_signal_connect(window_, "delete-event",
                     asCallback(+[](GtkWidget*, GdkEvent*, gpointer self) -> gboolean {
                         return static_cast<LiveWindow*>(self)->closedByDesktop();
                     }),
                     this);
    g_signal_connect(window_, "map-event", asCallback(+[](GtkWidget*, GdkEvent*, gpointer self) -> gboolean {
                         auto* window = static_cast<LiveWindow*>(self);
                         window->surface_->mapped();
                         window->tick(true); // live texts move again
                         return FALSE;
                     }),
                     this);
}

void LiveWindow::applyFamily() {
    const ui::Size size = ui::metrics::widgetSize(placed_.family);
    gtk_widget_set_size_request(area_, points(size.width), points(size.height));
    gtk_window_resize(window_, points(size.width), points(size.height));
    surface_->resized(points(size.width), points(size.height));
}

bool LiveWindow::closedByDesktop() {
    // A layer surface whose output went shows on another one; a window closed by the window manager
    // stays placed and comes back with the next `widgethost show`.
    gtk_widget_hide(GTK_WIDGET(window_));
    if (surface_->reopenAfterClose()) return TRUE;
    host_.later([](WindowHost& host) { host.windowClosed(); });
    return TRUE;
}

void LiveWindow::outputsChanged() {
    surface_->outputsChanged();
}

// MARK: Pointer and menu

bool LiveWindow::pressed(const GdkEvent* event) {
    const GdkEventButton& button = event->button;
    if (button.type != GDK_BUTTON_PRESS) return FALSE;
    if (gdk_event_triggers_context_menu(event)) {
        openMenu(event);
        return TRUE;
    }
    if (button.button == GDK_BUTTON_PRIMARY)
        press_ = Press{button.x, button.y, button.x_root, button.y_root, false};
    return FALSE;
}

bool LiveWindow::motion(const GdkEvent* event) {
    if (!press_) return FALSE;
    const GdkEventMotion& moved = event->motion;
    if (!(moved.state & GDK_BUTTON1_MASK)) {
        press_.reset();
        return FALSE;
    }
    if (press_->following) {
        surface_->follow(moved.x - press_->x, moved.y - press_->y);
        return TRUE;
    }
    if (!gtk_drag_check_threshold(area_, static_cast<int>(press_->x), static_cast<int>(press_->y),
                                  static_cast<int>(moved.x), static_cast<int>(moved.y)))
        return FALSE;
    // Past the drag threshold: the window manager or compositor takes the drag over (as a title bar
    // hands it over), or the surface follows the pointer itself.
    // From where the button went down, so that the widget keeps its place under the pointer.
    press_->following = surface_->beginMove(GDK_BUTTON_PRIMARY, press_->x, press_->y, press_->rootX,
                                            press_->rootY, moved.time);
    if (press_->following)
        surface_->follow(moved.x - press_->x, moved.y - press_->y);
    else
        press_.reset();
    return TRUE;
}

bool LiveWindow::released(const GdkEvent* event) {
    if (event->button.button != GDK_BUTTON_PRIMARY || !press_) return FALSE;
    const bool following = press_->following;
    press_.reset();
    if (following) surface_->endMove();
    return following;
}

void LiveWindow::openMenu(const GdkEvent* event) {
    if (!gtk_widget_get_mapped(GTK_WIDGET(window_))) return;
    surface_->keyboardWanted(true);
    if (event)
        gtk_menu_popup_at_pointer(GTK_MENU(menu_), event);
    else
        gtk_menu_popup_at_widget(GTK_MENU(menu_), area_, GDK_GRAVITY_CENTER, GDK_GRAVITY_NORTH_WEST, nullptr);
    liveTrace("widget " + std::to_string(placed_.number) + " opens its menu");
}

void LiveWindow::menuClosed() {
    surface_->keyboardWanted(false);
}

void LiveWindow::openEditor() {
    openConfigurationEditor(window_, host_, placed_);
}

// MARK: Timelines and the clock

void LiveWindow::present() {
    if (!surface_->windowless()) {
        gtk_widget_show_all(GTK_WIDGET(window_));
        gtk_window_present(window_);
    }
    if (!hasTimeline_ && !requesting_) requestTimeline();
}

bool LiveWindow::shown() const {
    if (surface_->windowless()) return surface_->showing();
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
    ui::Environment environment = host_.environment(placed_.family);
    environment.date = now; // live texts as of now
    try {
        view_ = ui::layoutWidget(entry.content(placed_.family), environment);
    } catch (const std::exception& error) {
        liveLog(std::string("the widget's content failed: ") + error.what());
        return;
    }
    discardPicture();
    // The outline at one pixel to the point, for surfaces that cut their window to it (drawn only
    // for them: a countdown lays the widget out every second).
    if (surface_->followsOutline()) {
        const ui::Size size = view_->size();
        cairo_surface_t* outline =
            cairo_image_surface_create(CAIRO_FORMAT_ARGB32, points(size.width), points(size.height));
        cairo_t* painter = cairo_create(outline);
        view_->draw(painter);
        cairo_destroy(painter);
        surface_->pictureChanged(outline);
        cairo_surface_destroy(outline);
    }
    if (surface_->windowless()) {
        surface_->viewChanged(*view_);
        if (liveTracing()) traceDrawn();
        return;
    }
    gtk_widget_queue_draw(area_);
    widgetAreaSetElements(area_, view_->accessibilityElements());
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

// MARK: Drawing

void LiveWindow::draw(cairo_t* context) {
    if (!view_) return;
    // The picture is drawn once per layout into an image at the window's scale factor, exactly as a
    // PNG of the entry is, and painted from there: every redraw GTK asks for (a menu closing, an
    // expose) costs a copy, and the window shows the renderer's own pixels.
    const int scale = std::max(1, gtk_widget_get_scale_factor(area_));
    const ui::Size size = view_->size();
    if (!picture_ || pictureScale_ != scale) {
        if (picture_) cairo_surface_destroy(picture_);
        picture_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, points(size.width) * scale,
                                              points(size.height) * scale);
        cairo_surface_set_device_scale(picture_, scale, scale);
        pictureScale_ = scale;
        cairo_t* painter = cairo_create(picture_);
        view_->draw(painter);
        cairo_destroy(painter);
    }
    cairo_set_operator(context, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(context, picture_, 0, 0);
    cairo_paint(context);
    if (!liveTracing()) return;
    const std::pair<int, int> drawn{points(size.width), points(size.height)};
    if (drawn != drawnSize_ || scale != drawnScale_) {
        drawnSize_ = drawn, drawnScale_ = scale;
        liveTrace("widget " + std::to_string(placed_.number) + " is " + std::to_string(drawn.first) + "x" +
                  std::to_string(drawn.second) + " at scale " + std::to_string(scale));
    }
    traceDrawn();
}

void LiveWindow::traceDrawn() {
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

} // namespace widgethost
