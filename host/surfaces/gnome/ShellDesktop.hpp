#pragma once
// The host's side of the GNOME Shell extension: the object it publishes on its session-bus name for
// the extension to show the widgets by. The interface, and what each call means, is
// extension/desktop-interface.xml.in, which the extension reads too.

#include "host/hosting/Placement.hpp"
#include "host/surfaces/DesktopSurface.hpp"
#include "host/surfaces/gnome/ShellDesktopInterface.hpp"
#include "host/surfaces/gnome/ShellExtensionProbe.hpp"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

typedef struct _GDBusConnection GDBusConnection;
typedef struct _GVariant GVariant;

namespace widgethost {

class GnomeShellSurface;

/// The host's side of the extension: the published object, and whether the extension is there.
class ShellDesktop {
public:
    /// Publishes on `connection` (the application's); `presenceChanged` runs when the extension comes
    /// or goes.
    ShellDesktop(GDBusConnection* connection, std::function<void()> presenceChanged);
    ~ShellDesktop();
    ShellDesktop(const ShellDesktop&) = delete;
    ShellDesktop& operator=(const ShellDesktop&) = delete;

    /// Whether the extension is enabled in the shell now.
    bool extensionPresent() const { return present_; }

    // For the surfaces.
    void add(std::int64_t number, GnomeShellSurface* surface);
    void remove(std::int64_t number);
    /// Something the extension shows changed: one Changed signal, once the current callback is over.
    void changed();
    /// Only the picture of widget `number` changed, to `serial`: told in the same signal.
    void pictureChanged(std::int64_t number, unsigned serial);
    /// The part of `output` (`width` × `height` logical pixels) the shell leaves to windows and widgets,
    /// off its panels, in logical pixels from the output's corner; the whole output until the
    /// extension says.
    OutputArea workArea(const std::string& output, int width, int height) const;
    /// The extension's work areas: (output, the output's width in the stage's pixels, and the insets
    /// left, top, right, bottom in those pixels).
    void takeWorkAreas(GVariant* areas);

private:
    friend struct ShellDesktopCalls;
    GDBusConnection* connection_;
    std::function<void()> presenceChanged_;
    std::map<std::int64_t, GnomeShellSurface*> surfaces_;
    struct Insets {
        int stageWidth = 0, left = 0, top = 0, right = 0, bottom = 0;
        bool operator==(const Insets&) const = default;
    };
    std::map<std::string, Insets> workAreas_;
    unsigned registration_ = 0;
    unsigned watch_ = 0;
    void signalSoon();
    unsigned pendingSignal_ = 0;
    bool everything_ = false;                   // the next signal asks for everything again
    std::map<std::int64_t, unsigned> pictures_; // else: the pictures that changed, by widget
    bool present_ = false;
};

} // namespace widgethost
