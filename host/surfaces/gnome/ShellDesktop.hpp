#pragma once
// GNOME Shell offers a client no place below its windows: only a Shell extension can draw on GNOME's
// desktop. Ours (gnome-shell/) shows each placed widget as an actor of the shell, and stays small:
// the host decides and draws. It publishes, on its session-bus name, what the extension shows: each
// widget's place on its monitor, its picture (the renderer's own pixels in shared memory, handed over
// as a file descriptor), its accessibility elements, help texts and menu; the extension hands drags
// and menu choices back. No window of the host is shown.
//
// The interface, "com.tallyfox.Tallyfox.Widgets.Desktop1" at /com/tallyfox/Tallyfox/Widgets/Desktop:
//   Widgets() -> (a(xssiiiiiiua(sddddss)) widgets, as outputs)
//       number, name, output, x, y, width, height (logical pixels on the output), the output's width
//       and height, the picture's serial, and the accessibility elements in reading order (role,
//       frame x, y, width, height in the widget's points, label, value); the outputs the host knows
//   Picture(x number) -> (h memory, i width, i height, i stride, u serial)
//       premultiplied ARGB32 in the machine's byte order, sealed: width × height device pixels
//   Help(x number, d x, d y) -> (s text, (dddd) frame)      the help text at a point, "" where none
//   Menu(x number) -> (b rightToLeft, a(ssss) items)        submenu, label, action, target; an item
//                                                           of four empty strings between sections
//   Activate(x number, s action, s target)                  a menu item chosen
//   Moved(x number, s output, i x, i y)                     dropped there by a drag
//   WorkAreas(a(siiiii) areas)                              per output: its width in the stage's
//                                                           pixels, the panels' insets left, top,
//                                                           right, bottom in those pixels
//   signal Changed(a(xu) pictures)                          ask Widgets() again; or, when the list
//                                                           is not empty, only these widgets'
//                                                           pictures changed (number, new serial):
//                                                           ask Picture() for them

#include "host/hosting/Placement.hpp"
#include "host/surfaces/DesktopSurface.hpp"
#include "host/surfaces/gnome/ShellExtensionProbe.hpp"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

typedef struct _GDBusConnection GDBusConnection;
typedef struct _GVariant GVariant;

namespace widgethost {

inline constexpr const char* shellDesktopPath = "/com/tallyfox/Tallyfox/Widgets/Desktop";
inline constexpr const char* shellDesktopInterface = "com.tallyfox.Tallyfox.Widgets.Desktop1";

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
