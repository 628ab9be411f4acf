#pragma once
// One placed widget on the desktop: an undecorated window of exactly the family's size that draws the
// entry in effect through the view system's one renderer. Over the drawing lie input-transparent
// widgets, one per accessibility element at its frame, which is how GTK 4.8 lets screen readers read
// the parts of one drawing. A right click opens the widget's menu; a left drag moves the window.

#include "host/LiveSchedule.hpp"
#include "host/PlacedWidgets.hpp"
#include "platform/ui/Rendering.hpp"
#include "platform/widgetkit/Widget.hpp"

#include <memory>
#include <optional>
#include <vector>

typedef struct _GtkWidget GtkWidget;
typedef struct _GtkWindow GtkWindow;
typedef struct _GSimpleActionGroup GSimpleActionGroup;
typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

namespace widgethost {

class LiveHost;

class LiveWindow : public std::enable_shared_from_this<LiveWindow> {
public:
    LiveWindow(LiveHost& host, PlacedWidget placed);
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

    std::int64_t number() const { return placed_.number; }
    bool shown() const;

private:
    void build();
    void applyFamily();
    void requestTimeline();
    void receive(platform::widgetkit::Timeline<platform::widgetkit::WidgetEntry> timeline, Date requestedAt);
    /// Reads the clock: shows the entry in effect with its live texts as of now, reloads when due,
    /// and sleeps until something can change.
    void tick(bool relayout);
    void layOut(Date now);
    void updateAccessibility();
    void schedule(Date wake);
    void cancelTimer();
    void draw(cairo_t* context, int width, int height);
    void discardPicture();
    void openMenu(double x, double y);
    void openEditor();
    void placeOnScreen();
    void keepTrackOfPosition();
    void savePosition();

    LiveHost& host_;
    PlacedWidget placed_;

    GtkWindow* window_ = nullptr;
    GtkWidget* overlay_ = nullptr;
    GtkWidget* drawing_ = nullptr;
    GtkWidget* accessibilityLayer_ = nullptr;
    GtkWidget* menu_ = nullptr;
    GSimpleActionGroup* actions_ = nullptr;
    std::vector<GtkWidget*> accessibilityWidgets_;
    std::vector<platform::ui::AccessibilityElement> accessibilityShown_;

    std::vector<platform::widgetkit::WidgetEntry> entries_;
    TimelineState timeline_;
    bool hasTimeline_ = false;
    bool requesting_ = false;
    bool requestAgain_ = false;
    std::optional<std::size_t> shownEntry_;
    std::optional<platform::ui::LaidOutView> view_;
    cairo_surface_t* picture_ = nullptr; // view_ drawn at pictureScale_
    int pictureScale_ = 1;
    unsigned timer_ = 0;
    unsigned long positionHandler_ = 0;
    unsigned positionSaveTimer_ = 0;
    long long pendingEventTime_ = 0; // the snapshot change a requested timeline answers (trace)
    long long drawEventTime_ = 0;    // the same for the picture about to be drawn
};

} // namespace widgethost
