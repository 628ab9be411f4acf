#include "host/surfaces/DesktopSurface.hpp"

#include "host/surfaces/gnome/GnomeShellSurface.hpp"
#include "host/strings/HostStrings.hpp"

#include <gtk/gtk.h>
#ifdef GDK_WINDOWING_X11
#include <gdk/gdkx.h>
#endif
#ifdef GDK_WINDOWING_WAYLAND
#include <gdk/gdkwayland.h>
#endif

namespace widgethost {

std::string_view surfaceKindName(SurfaceKind kind) {
    switch (kind) {
    case SurfaceKind::layerShell:
        return "layer-shell";
    case SurfaceKind::gnomeShell:
        return "gnome-shell";
    case SurfaceKind::x11:
        return "x11";
    case SurfaceKind::window:
        return "window";
    }
    return "window";
}

namespace {

bool available(SurfaceKind kind, ShellExtensionState shell) {
    GdkDisplay* display = gdk_display_get_default();
    switch (kind) {
    case SurfaceKind::gnomeShell:
        return shell == ShellExtensionState::enabled;
    case SurfaceKind::layerShell:
#if defined(TALLYFOX_HAVE_LAYER_SHELL) && defined(GDK_WINDOWING_WAYLAND)
        return layerShellSupported();
#else
        return false;
#endif
    case SurfaceKind::x11:
#ifdef GDK_WINDOWING_X11
        return GDK_IS_X11_DISPLAY(display);
#else
        return false;
#endif
    case SurfaceKind::window:
        return true;
    }
    return false;
}

std::string reasonFor(SurfaceKind kind, bool asked) {
    switch (kind) {
    case SurfaceKind::layerShell:
        return hostText("desktop surface: layer shell (the compositor offers zwlr_layer_shell_v1)");
    case SurfaceKind::gnomeShell:
        return hostText("desktop surface: GNOME Shell extension (the extension is enabled)");
    case SurfaceKind::x11:
        return hostText("desktop surface: X11 desktop widget (an X11 display)");
    case SurfaceKind::window:
        return asked ? hostText("desktop surface: ordinary window (asked for with --surface)")
                     : hostText("desktop surface: ordinary window (this desktop offers neither a layer shell "
                                "nor X11)");
    }
    return {};
}

} // namespace

SurfaceChoice chooseDesktopSurface(SurfaceRequest requested) {
    const SurfaceKind order[] = {SurfaceKind::layerShell, SurfaceKind::gnomeShell, SurfaceKind::x11,
                                 SurfaceKind::window};
    // GNOME Shell is asked only where no layer shell is offered, the only desktop that has none and
    // runs our extension.
    const ShellExtensionReport report = requested == SurfaceRequest::automatic &&
                                                available(SurfaceKind::layerShell, {})
                                            ? ShellExtensionReport{}
                                            : shellExtensionState();
    const ShellExtensionState shell = report.state;
    SurfaceChoice choice;
    std::optional<SurfaceKind> asked;
    switch (requested) {
    case SurfaceRequest::automatic:
        break;
    case SurfaceRequest::layerShell:
        asked = SurfaceKind::layerShell;
        break;
    case SurfaceRequest::gnomeShell:
        asked = SurfaceKind::gnomeShell;
        break;
    case SurfaceRequest::x11:
        asked = SurfaceKind::x11;
        break;
    case SurfaceRequest::window:
        asked = SurfaceKind::window;
        break;
    }
    if (asked && available(*asked, shell)) {
        choice.kind = *asked;
        choice.reason = reasonFor(*asked, *asked == SurfaceKind::window);
        return choice;
    }
    // What was asked for and is not here: the next kind in the order that is, so that every placed
    // widget still shows.
    bool passed = !asked;
    for (const SurfaceKind kind : order) {
        if (asked && kind == *asked) passed = true;
        if (!passed || !available(kind, shell)) continue;
        choice.kind = kind;
        break;
    }
    choice.reason = reasonFor(choice.kind, false);
    if (asked)
        choice.notice = hostText("the surface %@ is not available here; the widgets use %@",
                                 {std::string(surfaceKindName(*asked)), std::string(surfaceKindName(choice.kind))});
    else if (const auto notice = shellExtensionNotice(report))
        // GNOME: the one thing that puts the widgets on its desktop is there, and not working.
        choice.notice = notice;
    else if (shell == ShellExtensionState::notInstalled && choice.kind == SurfaceKind::window)
        choice.notice = hostText("GNOME Shell shows widgets on its desktop only through the Tallyfox extension, "
                                 "which is not installed: they show as ordinary windows");
    else if (choice.kind == SurfaceKind::window)
        choice.notice =
            hostText("this desktop offers no place for widgets below its windows (neither a layer shell "
                     "nor X11): they show as ordinary windows");
    return choice;
}

std::unique_ptr<DesktopSurface> makeDesktopSurface(SurfaceKind kind, GtkWindow* window, std::int64_t number,
                                                   SurfacePlaces& places) {
    switch (kind) {
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
    case SurfaceKind::gnomeShell: // made by the host, which publishes the widgets
    case SurfaceKind::window:
        break;
    }
    return makePlainWindowSurface(window, number, places);
}

} // namespace widgethost
