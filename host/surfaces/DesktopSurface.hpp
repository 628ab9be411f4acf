#pragma once
// What the desktop offers a widget. A widget belongs to the desktop: below every window, above the
// wallpaper, on every workspace, out of taskbars and switchers, exactly where its owner put it. Each
// desktop has its own way to say so, and the host picks the best one the session offers, once, at
// start: a layer surface where the compositor speaks wlr-layer-shell (KDE Plasma, sway, Hyprland and
// the other wlroots desktops), an X11 window with the desktop-widget hints, or, as the last resort, an
// ordinary window. The window's drawing, menu, timelines and accessibility do not know which.

#include "host/hosting/SurfaceChoice.hpp"
#include "host/stored/WindowPositions.hpp"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

typedef struct _GtkWindow GtkWindow;
typedef struct _cairo_surface cairo_surface_t;
typedef struct _GMenuModel GMenuModel;
typedef struct _GActionGroup GActionGroup;
typedef struct _GApplication GApplication;

namespace platform::ui {
class LaidOutView;
}

namespace widgethost {

class DesktopSurfaces;

/// The surfaces chosen for the open display, with what the host says about the choice: `reason` for
/// --verbose, `notice` for everyone (a desktop that keeps widgets from the desktop, a kind asked for
/// that is not there).
struct DesktopChoice {
    std::unique_ptr<DesktopSurfaces> surfaces;
    std::string reason;
    std::optional<std::string> notice;
};

/// Asks the open display what it offers (GTK is initialized), against what the user asked for.
DesktopChoice chooseDesktopSurface(SurfaceRequest requested);

/// What a surface asks of the host: where its widget was kept, and to keep where it is now. X11
/// positions are the root window's pixels with no output name; layer surfaces keep margins in
/// logical pixels per output name.
class SurfacePlaces {
public:
    virtual ~SurfacePlaces() = default;
    virtual KeptPlace keptPlace(std::int64_t number) const = 0;
    virtual void keepPlace(std::int64_t number, const KeptPlace& place) = 0;
    /// Where a widget that was never moved goes on an output of `width` × `height` logical pixels:
    /// columns down the right edge, in the order the widgets were placed, a new one to the left
    /// where the last would run off the bottom.
    virtual WindowPosition defaultPosition(std::int64_t number, int width, int height) const = 0;
};

/// One widget's window as a surface of one kind.
class DesktopSurface {
public:
    virtual ~DesktopSurface() = default;
    /// Makes the window this kind of surface; once, before it is first shown.
    virtual void prepare() = 0;
    /// Whether the surface shows the widget without its window, which then is never shown: such a
    /// surface draws every new layout itself (`viewChanged`) and shows the widget's menu itself.
    virtual bool windowless() const { return false; }
    /// Whether a windowless surface's widget is on the screen now.
    virtual bool showing() const { return true; }
    /// A new layout of the widget (windowless surfaces).
    virtual void viewChanged(const platform::ui::LaidOutView& view) { (void)view; }
    /// The widget's menu and the actions its items name ("widget.edit", …), for windowless surfaces.
    virtual void menuChanged(GMenuModel* menu, GActionGroup* actions) { (void)menu, (void)actions; }
    /// The window is on the screen.
    virtual void mapped() {}
    /// The widget's size in points changed.
    virtual void resized(int width, int height) { (void)width, (void)height; }
    /// Whether the surface cuts its window to the widget's outline, and so needs `pictureChanged`.
    virtual bool followsOutline() const { return false; }
    /// A new picture at scale 1 (its alpha says where the widget is): a surface that cannot be
    /// transparent cuts the window to it.
    virtual void pictureChanged(cairo_surface_t* outline) { (void)outline; }
    /// A drag with the primary button passed the threshold at (`x`, `y`) in the window; `rootX`,
    /// `rootY` on the screen where the display has one. Returns whether the surface follows the
    /// pointer itself (`follow` until `endMove`); otherwise the window manager took the drag over.
    virtual bool beginMove(int button, double x, double y, double rootX, double rootY,
                           std::uint32_t time) = 0;
    virtual void follow(double dx, double dy) { (void)dx, (void)dy; }
    virtual void endMove() {}
    /// The menu or editor needs the keyboard now, or no longer.
    virtual void keyboardWanted(bool wanted) { (void)wanted; }
    /// The outputs changed (one came or went): a surface on an output that went moves to another,
    /// and one whose own output came back returns to it.
    virtual void outputsChanged() {}
    /// The desktop closed the surface (its output went): whether the surface shows again elsewhere,
    /// in which case the widget is not taken as closed by the user.
    virtual bool reopenAfterClose() { return false; }
};

/// Every widget's surface of the kind chosen, and what those surfaces share (GNOME Shell's: the
/// object published on the application's bus connection).
class DesktopSurfaces {
public:
    virtual ~DesktopSurfaces() = default;
    /// Starts what the surfaces share, once the application runs, before the first surface is made;
    /// `showingChanged` runs when windowless surfaces come onto the screen or leave it together (the
    /// shell's extension came or went).
    virtual void open(GApplication* application, std::function<void()> showingChanged) {
        (void)application, (void)showingChanged;
    }
    /// Widget `number`'s surface for its `window`, which a windowless kind never shows, titled `name`.
    virtual std::unique_ptr<DesktopSurface> makeSurface(GtkWindow* window, std::int64_t number,
                                                        const std::string& name, SurfacePlaces& places) = 0;
};

// The kinds, one folder each.
std::unique_ptr<DesktopSurface> makeLayerShellSurface(GtkWindow* window, std::int64_t number,
                                                      SurfacePlaces& places);
/// Whether the display is a Wayland compositor that offers layer surfaces; asks without a warning
/// in the log where it does not.
bool layerShellSupported();
std::unique_ptr<DesktopSurface> makeX11DesktopSurface(GtkWindow* window, std::int64_t number,
                                                      SurfacePlaces& places);
std::unique_ptr<DesktopSurface> makePlainWindowSurface(GtkWindow* window, std::int64_t number,
                                                       SurfacePlaces& places);
std::unique_ptr<DesktopSurfaces> makeGnomeShellSurfaces();

} // namespace widgethost
