#!/usr/bin/python3
"""Small GTK 3 clients the desktop tests start beside the widget host.

  DesktopProbe.py widget X Y W H        a rounded orange rectangle as a desktop widget: a layer surface on
                                        the bottom layer where the compositor offers one, else an X11
                                        window kept below, on all desktops, out of taskbar and pager
  DesktopProbe.py window TITLE RRGGBB   an ordinary window filled with one colour (to cover widgets)
  DesktopProbe.py wallpaper RRGGBB      a background-layer surface over every output, one colour (KWin
                                        without Plasma draws no wallpaper); on X11 a desktop window

Each prints "probe: ready KIND" on standard output once its window is mapped, and "probe: button N at
X,Y" for each button press it gets.
"""
import math
import sys

import gi

gi.require_version("Gtk", "3.0")
gi.require_version("Gdk", "3.0")
from gi.repository import Gdk, GLib, Gtk  # noqa: E402

try:
    gi.require_version("GtkLayerShell", "0.1")
    from gi.repository import GtkLayerShell  # noqa: E402
except (ValueError, ImportError):
    GtkLayerShell = None

ORANGE = (1.0, 0.5, 0.0)
RADIUS = 20


def colour(text):
    return tuple(int(text[i:i + 2], 16) / 255 for i in (0, 2, 4))


def layer_shell():
    return GtkLayerShell is not None and GtkLayerShell.is_supported()


def rounded(cr, width, height, radius):
    cr.new_sub_path()
    cr.arc(width - radius, radius, radius, -math.pi / 2, 0)
    cr.arc(width - radius, height - radius, radius, 0, math.pi / 2)
    cr.arc(radius, height - radius, radius, math.pi / 2, math.pi)
    cr.arc(radius, radius, radius, math.pi, 3 * math.pi / 2)
    cr.close_path()


def transparent(window):
    visual = window.get_screen().get_rgba_visual()
    if visual is not None:
        window.set_visual(visual)
    window.set_app_paintable(True)


def report(window, kind):
    def mapped(*_):
        # One frame after mapping, so that the first picture is on the screen.
        GLib.timeout_add(100, lambda: print("probe: ready " + kind, flush=True) and False)
    window.connect("map-event", mapped)

    def press(_, event):
        print("probe: button %d at %d,%d" % (event.button, event.x, event.y), flush=True)
    window.add_events(Gdk.EventMask.BUTTON_PRESS_MASK)
    window.connect("button-press-event", press)


def widget(x, y, width, height):
    window = Gtk.Window(title="Probe widget")
    window.set_size_request(width, height)
    transparent(window)

    def draw(widget, cr):
        cr.set_operator(0)  # clear
        cr.paint()
        cr.set_operator(2)  # over
        rounded(cr, widget.get_allocated_width(), widget.get_allocated_height(), RADIUS)
        cr.set_source_rgb(*ORANGE)
        cr.fill()
        return True
    window.connect("draw", draw)
    if layer_shell():
        GtkLayerShell.init_for_window(window)
        GtkLayerShell.set_layer(window, GtkLayerShell.Layer.BOTTOM)
        GtkLayerShell.set_namespace(window, "tallyfox-probe")
        for edge, margin in ((GtkLayerShell.Edge.TOP, y), (GtkLayerShell.Edge.LEFT, x)):
            GtkLayerShell.set_anchor(window, edge, True)
            GtkLayerShell.set_margin(window, edge, margin)
        kind = "layer-shell"
    else:
        window.set_type_hint(Gdk.WindowTypeHint.UTILITY)
        window.set_decorated(False)
        window.set_skip_taskbar_hint(True)
        window.set_skip_pager_hint(True)
        window.stick()
        window.move(x, y)
        kind = "x11"

        def keep_below(*_):
            # After the window manager has taken the window: GDK rewrites the state when it maps.
            GLib.timeout_add(300, lambda: window.set_keep_below(True) and False)
        window.connect("map-event", keep_below)
        if not window.get_screen().is_composited():
            def shape(widget, allocation):
                import cairo
                surface = cairo.ImageSurface(cairo.FORMAT_A1, allocation.width, allocation.height)
                cr = cairo.Context(surface)
                rounded(cr, allocation.width, allocation.height, RADIUS)
                cr.fill()
                widget.shape_combine_region(Gdk.cairo_region_create_from_surface(surface))
            window.connect("size-allocate", shape)
    report(window, kind)
    return window


def plain_window(title, fill):
    window = Gtk.Window(title=title)
    window.set_default_size(640, 480)

    def draw(widget, cr):
        cr.set_source_rgb(*fill)
        cr.paint()
        return True
    area = Gtk.DrawingArea()
    area.connect("draw", draw)
    window.add(area)
    report(window, "window")
    return window


def wallpaper(fill):
    window = Gtk.Window(title="Probe wallpaper")
    window.set_app_paintable(True)

    def draw(widget, cr):
        cr.set_source_rgb(*fill)
        cr.paint()
        return True
    window.connect("draw", draw)
    if not layer_shell():
        # X11: a desktop window the size of the screen, which window managers keep below everything
        # (xcompmgr paints the root grey where no wallpaper pixmap is set, whatever its colour).
        screen = window.get_screen()
        window.set_type_hint(Gdk.WindowTypeHint.DESKTOP)
        window.set_decorated(False)
        window.move(0, 0)
        window.set_default_size(screen.get_width(), screen.get_height())
        report(window, "wallpaper")
        return window
    GtkLayerShell.init_for_window(window)
    GtkLayerShell.set_layer(window, GtkLayerShell.Layer.BACKGROUND)
    GtkLayerShell.set_namespace(window, "tallyfox-wallpaper")
    GtkLayerShell.set_exclusive_zone(window, -1)
    for edge in (GtkLayerShell.Edge.TOP, GtkLayerShell.Edge.BOTTOM, GtkLayerShell.Edge.LEFT, GtkLayerShell.Edge.RIGHT):
        GtkLayerShell.set_anchor(window, edge, True)
    report(window, "wallpaper")
    return window


def main(arguments):
    if arguments[:1] == ["widget"] and len(arguments) == 5:
        window = widget(*(int(a) for a in arguments[1:]))
    elif arguments[:1] == ["window"] and len(arguments) == 3:
        window = plain_window(arguments[1], colour(arguments[2]))
    elif arguments[:1] == ["wallpaper"] and len(arguments) == 2:
        window = wallpaper(colour(arguments[1]))
    else:
        print(__doc__, file=sys.stderr)
        return 2
    window.connect("destroy", Gtk.main_quit)
    window.show_all()
    Gtk.main()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
