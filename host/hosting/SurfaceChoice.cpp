#include "host/hosting/SurfaceChoice.hpp"

#include "host/strings/HostStrings.hpp"

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

std::optional<SurfaceKind> surfaceKindNamed(std::string_view name) {
    for (const SurfaceKind kind : {SurfaceKind::layerShell, SurfaceKind::gnomeShell, SurfaceKind::x11,
                                   SurfaceKind::window})
        if (surfaceKindName(kind) == name) return kind;
    return std::nullopt;
}

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
        const std::string error = report.error.substr(0, report.error.find('\n'));
        return hostText("GNOME Shell reports an error in the Tallyfox extension: %@; the shell's log tells "
                        "more (“journalctl -b /usr/bin/gnome-shell”), and reinstalling Tallyfox, then logging "
                        "in again, mends an extension that was damaged",
                        {error.empty() ? std::string("?") : error});
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

bool choiceAsksGnomeShell(SurfaceRequest requested, bool layerShellOffered) {
    return requested || !layerShellOffered;
}

namespace {

bool offered(SurfaceKind kind, const DisplayOffers& offers) {
    switch (kind) {
    case SurfaceKind::gnomeShell:
        return offers.shell.state == ShellExtensionState::enabled;
    case SurfaceKind::layerShell:
        return offers.layerShell;
    case SurfaceKind::x11:
        return offers.x11;
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

SurfaceChoice chooseSurfaceKind(SurfaceRequest requested, const DisplayOffers& offers) {
    SurfaceChoice choice;
    if (requested && offered(*requested, offers)) {
        choice.kind = *requested;
        choice.reason = reasonFor(*requested, *requested == SurfaceKind::window);
        return choice;
    }
    // What was asked for and is not here: the next kind in the order that is.
    bool passed = !requested;
    for (const SurfaceKind kind : {SurfaceKind::layerShell, SurfaceKind::gnomeShell, SurfaceKind::x11,
                                   SurfaceKind::window}) {
        if (requested && kind == *requested) passed = true;
        if (!passed || !offered(kind, offers)) continue;
        choice.kind = kind;
        break;
    }
    choice.reason = reasonFor(choice.kind, false);
    if (requested)
        choice.notice = hostText("the surface %@ is not available here; the widgets use %@",
                                 {std::string(surfaceKindName(*requested)), std::string(surfaceKindName(choice.kind))});
    else if (const auto notice = shellExtensionNotice(offers.shell))
        // GNOME: the one thing that puts the widgets on its desktop is there, and not working.
        choice.notice = notice;
    else if (offers.shell.state == ShellExtensionState::notInstalled && choice.kind == SurfaceKind::window)
        choice.notice = hostText("GNOME Shell shows widgets on its desktop only through the Tallyfox extension, "
                                 "which is not installed: they show as ordinary windows");
    else if (choice.kind == SurfaceKind::window)
        choice.notice =
            hostText("this desktop offers no place for widgets below its windows (neither a layer shell "
                     "nor X11): they show as ordinary windows");
    return choice;
}

} // namespace widgethost
