#pragma once
// Which kind of surface the widgets live on, decided from what the display offers and what the user
// asked for: a layer surface where the compositor speaks wlr-layer-shell, our GNOME Shell extension
// where GNOME runs it, an X11 desktop widget, and an ordinary window as the last resort. Pure values:
// the GTK side only gathers the offers, so that every rule here is tested without a display.

#include "host/identity/HostIdentity.hpp"

#include <optional>
#include <string>
#include <string_view>

namespace widgethost {

enum class SurfaceKind { layerShell, gnomeShell, x11, window };

/// Which kind `show --surface` asks for; none for the best the desktop offers ("auto").
using SurfaceRequest = std::optional<SurfaceKind>;

/// The kind's name as `--surface` and the trace spell it.
std::string_view surfaceKindName(SurfaceKind kind);
/// The kind `--surface` names ("layer-shell", …), none for any other word.
std::optional<SurfaceKind> surfaceKindNamed(std::string_view name);

/// What the session says of our GNOME Shell extension.
enum class ShellExtensionState {
    notGnome,            ///< no GNOME Shell on the session bus
    enabled,             ///< enabled (it shows the widgets once the host publishes them)
    disabled,            ///< the shell knows it, and it is not enabled
    failed,              ///< enabled, but the shell could not load or start it
    outOfDate,           ///< the shell refuses it: it does not declare the shell's version
    installedAfterLogin, ///< installed, but not loaded by the shell that runs (installed since the log-in)
    notInstalled,        ///< GNOME Shell without it
};

/// The state with the shell's own words: its error for a failed extension, its version.
struct ShellExtensionReport {
    ShellExtensionState state = ShellExtensionState::notGnome;
    std::string error;
    std::string shellVersion;
    bool operator==(const ShellExtensionReport&) const = default;
};

/// GNOME Shell's number for an extension's state (org.gnome.Shell.Extensions) as ours; `installed`
/// tells an extension the shell does not know apart from one it has not loaded yet.
ShellExtensionState shellExtensionState(int shellState, bool installed);

/// What `show` says of an extension that is there and keeps the widgets off GNOME's desktop (not
/// enabled, failed, refused for the shell's version): what the shell reports, and what to do.
std::optional<std::string> shellExtensionNotice(const ShellExtensionReport& report);

/// What the open display offers the widgets.
struct DisplayOffers {
    bool layerShell = false;    ///< a Wayland compositor with zwlr_layer_shell_v1
    ShellExtensionReport shell; ///< what GNOME Shell says of our extension (notGnome where not asked)
    bool x11 = false;           ///< an X11 display
};

/// Whether the choice needs GNOME Shell's word on the extension, which costs calls on the session
/// bus: GNOME is the only desktop that offers no layer shell and runs our extension.
bool choiceAsksGnomeShell(SurfaceRequest requested, bool layerShellOffered);

/// The kind the host uses, and what it says about the choice: `reason` for --verbose, `notice` for
/// everyone (a desktop that keeps widgets from the desktop, a kind asked for that is not there).
struct SurfaceChoice {
    SurfaceKind kind = SurfaceKind::window;
    std::string reason;
    std::optional<std::string> notice;
};

/// The kind asked for where the display offers it; otherwise the first kind after it in the order
/// layer shell, GNOME Shell, X11, window that is offered, so that every placed widget still shows.
SurfaceChoice chooseSurfaceKind(SurfaceRequest requested, const DisplayOffers& offers);

} // namespace widgethost
