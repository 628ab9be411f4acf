#include "host/surfaces/DesktopSurface.hpp"

#include "host/gtk/LiveLog.hpp"
#include "host/surfaces/gnome/ShellExtensionProbe.hpp"

#include <gtk/gtk.h>
#ifdef GDK_WINDOWING_X11
#include <gdk/gdkx.h>
#endif
#ifdef GDK_WINDOWING_WAYLAND
#include <gdk/gdkwayland.h>
#endif

namespace widgethost {

namespace {

bool layerShellOffered() {
#if defined(TALLYFOX_HAVE_LAYER_SHELL) && defined(GDK_WINDOWING_WAYLAND)
    return layerShellSupported();
#else
    return false;
#endif
}

bool x11Offered() {
#ifdef GDK_WINDOWING_X11
    return GDK_IS_X11_DISPLAY(gdk_display_get_default());
#else
    return false;
#endif
}

DisplayOffers displayOffers(SurfaceRequest requested) {
    DisplayOffers offers;
    offers.layerShell = layerShellOffered();
    if (choiceAsksGnomeShell(requested, offers.layerShell)) offers.shell = shellExtensionState();
    offers.x11 = x11Offered();
    return offers;
}

/// The kinds that make the widget's own window the surface.
class WindowSurfaces final : public DesktopSurfaces {
public:
    explicit WindowSurfaces(SurfaceKind kind) : kind_(kind) {}

    std::unique_ptr<DesktopSurface> makeSurface(GtkWindow* window, std::int64_t number, const std::string&,
                                                SurfacePlaces& places) override {
        switch (kind_) {
        case SurfaceKind::layerShell:
#ifdef TALLYFOX_HAVE_LAYER_SHELL
            return makeLayerShellSurface(window, number, places);
#else
            break;
#endif
        case SurfaceKind::x11:
#ifdef GDK_WINDOWING_X11
            return makeX11DesktopSurface(window, number, places);
#else
            break;
#endif
        case SurfaceKind::gnomeShell:
        case SurfaceKind::window:
            break;
        }
        return makePlainWindowSurface(window, number, places);
    }

private:
    SurfaceKind kind_;
};

} // namespace

DesktopChoice chooseDesktopSurface(SurfaceRequest requested) {
    SurfaceChoice choice = chooseSurfaceKind(requested, displayOffers(requested));
    liveTrace("surface kind: " + std::string(surfaceKindName(choice.kind)));
    std::unique_ptr<DesktopSurfaces> surfaces;
    if (choice.kind == SurfaceKind::gnomeShell)
        surfaces = makeGnomeShellSurfaces();
    else
        surfaces = std::make_unique<WindowSurfaces>(choice.kind);
    return {std::move(surfaces), std::move(choice.reason), std::move(choice.notice)};
}

} // namespace widgethost
