"""Desktop sessions for the live host's tests: a real compositor or window manager of its own, headless,
inside the private D-Bus session, temporary HOME and unprivileged user that `runner.launch` made.
`start(kind)` starts one and gives an object that takes screenshots, lists windows and drives input for
that kind, one module each:

  sway     sway.py: sway 1.7, headless backend, pixman renderer, one 1280x720 output HEADLESS-1 in
           BACKGROUND; grim for screenshots, swaymsg for the tree and outputs, a virtual pointer
           (wayland_pointer.py: the headless seat has none, and `swaymsg seat - cursor` reaches no client)
  kwin     kwin.py: kwin_wayland 5.27 --virtual, 1280x720, a background-layer client painting
           BACKGROUND; the ScreenShot2 D-Bus interface for screenshots, a KWin script for the windows'
           states, KWin's fake input for a pointer
  openbox  x11.py: Xvfb 1280x720 with openbox (restartable), a desktop window in BACKGROUND, xcompmgr
           on request; import for screenshots, xprop, xwininfo and xdotool
  xvfb     x11.py: Xvfb 1280x1024 and nothing else
  gnome    gnome/: gnome-shell 43 --headless, one 1280x720 virtual monitor, a solid BACKGROUND under its
           top bar; a driver extension of its own (gnome/driver/) for org.gnome.Shell.Eval and a virtual
           pointer, the shell's Screenshot interface, extensions installed and enabled at start

Every session has move(x, y), press(button), release(button) and park() for its pointer, in screen
pixels, and screenshot() of its (first) output (session.py).
"""
from .gnome.session import GnomeShell
from .kwin import KWin
from .session import BACKGROUND, BACKGROUND_HEX, OutputsFixed, Session
from .sway import Sway
from .x11 import X11

__all__ = ["BACKGROUND", "BACKGROUND_HEX", "OutputsFixed", "Session", "start"]


def start(kind, height=None, extensions=None):
    """Starts a session of `kind` (see the module's notes) and gives it; `height` makes the screen
    taller than 720 pixels (xvfb's is 1024); `extensions` are GNOME Shell extension folders to install
    and enable (gnome only)."""
    session = {"sway": Sway, "kwin": KWin, "openbox": X11,
               "xvfb": lambda: X11(window_manager=False, width=1280, height=1024),
               "gnome": lambda: GnomeShell(extensions)}[kind]()
    if height:
        session.height = height
    try:
        session.start()
    except Exception:
        session.stop()
        raise
    return session
