#pragma once
// One placed widget on the desktop: a window of exactly the family's size on the desktop surface the
// host chose, drawing the entry in effect through the view system's one renderer. Screen readers read
// the widget's accessibility elements over the drawing. A right click, Shift+F10 or the menu key opens
// the widget's menu; a drag with the primary button moves it.

#include "host/hosting/LiveSchedule.hpp"
#include "host/live/WindowHost.hpp"
#include "host/stored/PlacedWidgets.hpp"
#include "platform/ui/Rendering.hpp"
#include "platform/widgetkit/Widget.hpp"

#include <memory>
#include <optional>
#include <vector>

typedef struct _GtkWidget GtkWidget;
typedef struct _GtkWindow GtkWindow;
typedef struct _GSimpleActionGroup GSimpleActionGroup;
typedef struct _GMenu GMenu;
typedef struct _GtkTooltip GtkTooltip;
typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;
typedef union _GdkEvent GdkEvent;

namespace widgethost {

class LiveWindow : public std::enable_shared_from_this<LiveWindow> {
public:
    LiveWindow(WindowHost& host, PlacedWidget placed);
    ~LiveWindow();
    LiveWindow(const LiveWindow&) = delete;
    LiveWindow& operator=(const LiveWindow&) = delete;

    /// Shows the window (again) and asks for its first timeline.
    void present();
    /// The placed widget changed in the store: a new size, a new configuration.
    void update(const PlacedWidget& placed);
    /// Asks for a new timeline (the snapshot changed); the entry shown stays until it arrives.
    void reload();
    /// Lays the entry out again (the appearance changed).
    void redraw();
    /// The desktop's outputs changed.
    void outputsChanged();

    std::int64_t number() const { return placed_.number; }
    bool shown() const;

private:
    // Building the window, step by step.
    void build();
    void makeWindow(const std::string& title);
    void makeArea(const std::string& title);
    void followPointer();
    void makeActions();
    /// The menu's model (the caller's reference), and the menu made from it.
    GMenu* makeMenu();
    void followWindow();
    /// The help text at (`x`, `y`) as a tooltip, where there is one.
    bool showHelp(int x, int y, GtkTooltip* tooltip);
    void applyFamily();
    void requestTimeline();
    void receive(platform::widgetkit::Timeline<platform::widgetkit::WidgetEntry> timeline, Date requestedAt);
    /// Reads the clock: shows the entry in effect with its live texts as of now, reloads when due,
    /// and sleeps until something can change.
    void tick(bool relayout);
    void layOut(Date now);
    void schedule(Date wake);
    void cancelTimer();
    void draw(cairo_t* context);
    /// The trace's line for a picture drawn (with how long after the snapshot changed).
    void traceDrawn();
    void discardPicture();
    bool pressed(const GdkEvent* event);
    bool released(const GdkEvent* event);
    bool motion(const GdkEvent* event);
    void openMenu(const GdkEvent* event);
    void menuClosed();
    void openEditor();
    bool closedByDesktop();

    WindowHost& host_;
    PlacedWidget placed_;
    std::unique_ptr<DesktopSurface> surface_;

    GtkWindow* window_ = nullptr;
    GtkWidget* area_ = nullptr;
    GtkWidget* menu_ = nullptr;
    GSimpleActionGroup* actions_ = nullptr;

    std::vector<platform::widgetkit::WidgetEntry> entries_;
    TimelineState timeline_;
    bool hasTimeline_ = false;
    bool requesting_ = false;
    bool requestAgain_ = false;
    std::optional<std::size_t> shownEntry_;
    std::optional<platform::ui::LaidOutView> view_;
    cairo_surface_t* picture_ = nullptr; // view_ drawn at pictureScale_
    int pictureScale_ = 1;
    std::pair<int, int> drawnSize_{};
    int drawnScale_ = 0;
    unsigned timer_ = 0;
    long long pendingEventTime_ = 0; // the snapshot change a requested timeline answers (trace)
    long long drawEventTime_ = 0;    // the same for the picture about to be drawn
    std::string helpShown_;          // the last help tag shown as a tooltip (trace)

    // A press of the primary button, until it is released or becomes a drag.
    struct Press {
        double x = 0, y = 0;
        double rootX = 0, rootY = 0;
        bool following = false; // the surface follows the pointer itself
    };
    std::optional<Press> press_;
};

} // namespace widgethost
