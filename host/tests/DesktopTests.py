#!/usr/bin/python3
"""`widgethost show` as a desktop widget on real desktops: sway (layer shell), KWin (layer shell) and
Xvfb with openbox (an X11 desktop widget), each started for the test as desktop/sessions describes.

Usage: DesktopTests.py --session sway|kwin|openbox --widgethost PATH [--test NAME]...
       DesktopTests.py --list --session sway|kwin|openbox

The Harness tests check the session itself with DesktopProbe.py's clients; the Widgets tests check the
host. Each test starts its own host; a process runs one session.
"""
import json
import os
import re
import sys
import time
import unittest

from desktop import runner, sessions
from desktop.accessibility import act, atspi, descendants, frame, host_application
from desktop.host import LiveHostTest, render, use, widgethost
from desktop.images import Picture, crop, difference, near, pixel, png_image, same_picture, save_ppm
from desktop.sessions import BACKGROUND, OutputsFixed
from desktop.snapshots import T, iso, snapshot_file, three_providers, write_atomically
from desktop.waiting import wait_until

SESSION = None  # the running session
SIZES = {"small": (170, 170), "medium": (364, 170), "large": (364, 382)}
ORANGE = (255, 128, 0)
# What the host's menu says in English, German and Hebrew (host/strings/po).
MENU = ["Edit Widget…", "Size", "Remove Widget", "Add Widget", "Quit"]
GERMAN_MENU = ["Widget bearbeiten…", "Größe", "Widget entfernen", "Widget hinzufügen", "Beenden"]
GERMAN_SIZES = ["Klein", "Mittel", "Groß"]
HEBREW_MENU = ["עריכת הווידג׳ט…", "גודל", "הסרת הווידג׳ט", "הוספת ווידג׳ט", "יציאה"]
HEBREW_SIZES = ["קטן", "בינוני", "גדול"]
# A submenu ("Size") reads as a menu, its choices maybe as radio items.
MENU_ROLES = ("menu item", "menu", "radio menu item", "check menu item")


def kind():
    return SESSION.kind


def default_column(families):
    """Where new widgets go: a column down the right edge of the output, 24 pixels in, 12 apart."""
    places, y = [], 24
    for family in families:
        width, height = SIZES[family]
        places.append((SESSION.width - 24 - width, y))
        y += height + 12
    return places


# MARK: The session itself

class Harness(unittest.TestCase):
    """The session works as the widget tests need: a probe desktop widget is drawn where it was put,
    with the background outside its rounded corners, and stays out of the way of windows."""

    def tearDown(self):
        SESSION.stop_clients()

    def test_a_probe_widget_shows_where_it_was_put_with_the_background_at_its_corners(self):
        started = time.monotonic()
        probe = SESSION.probe("widget", "100", "50", "200", "100")
        shown = time.monotonic() - started
        self.assertIn("probe: ready " + ("x11" if kind() == "openbox" else "layer-shell"), probe.output())
        shot = wait_until(lambda: (lambda s: s if near(pixel(s, 200, 100), ORANGE) else None)(SESSION.screenshot()), 5)
        self.assertIsNotNone(shot, "the probe is not drawn at 100,50")
        self.assertEqual(pixel(shot, 200, 100), ORANGE)
        self.assertEqual(pixel(shot, 101, 51), BACKGROUND, "a corner outside the rounding")
        self.assertEqual(pixel(shot, 298, 148), BACKGROUND)
        self.assertEqual(pixel(shot, 99, 100), BACKGROUND, "left of the widget")
        print("\n  %s: session started in %.2f s, a probe window drawn %.2f s after launch; pointer: %s"
              % (kind(), SESSION.started_in, shown, "yes" if SESSION.has_pointer else SESSION.pointer_note),
              file=sys.stderr)

        if SESSION.has_pointer:
            SESSION.move(150, 80)
            SESSION.press(1)
            SESSION.release(1)
            SESSION.park()
            self.assertTrue(probe.wait_for("probe: button 1 at 50,30", 5), "a click reaches the probe\n" + probe.output())
        if kind() == "sway":
            self.assertNotIn("Probe widget", SESSION.toplevels(), "a layer surface is no toplevel")
            window = SESSION.open_window("Covering window", "c03020")
            self.assertEqual(wait_until(lambda: "Covering window" in SESSION.toplevels(), 5), True)
            self.assertTrue(wait_until(lambda: near(pixel(SESSION.screenshot(), 200, 100), (0xc0, 0x30, 0x20)), 5),
                            "a window opened over the widget is drawn over it")
            window.stop()
            self.assertTrue(wait_until(lambda: near(pixel(SESSION.screenshot(), 200, 100), ORANGE), 5))
            seats = SESSION.swaymsg("-t", "get_seats")
            print("  sway seats: %s" % [(s["name"], s["capabilities"], len(s["devices"])) for s in seats],
                  file=sys.stderr)
        elif kind() == "kwin":
            windows = wait_until(lambda: [w for w in SESSION.windows() if (w["x"], w["y"]) == (100, 50)], 5)
            self.assertEqual(len(windows), 1, SESSION.windows())
            state = windows[0]
            self.assertEqual((state["width"], state["height"]), (200, 100))
            # KWin keeps a layer surface on its layer below normal windows rather than setting keepBelow.
            self.assertTrue(state["keepBelow"] or state["layer"] == 1, state)
            self.assertTrue(state["skipTaskbar"] and state["skipSwitcher"] and state["onAllDesktops"], state)
        else:
            window_id = SESSION.search("^Probe widget$")[0]
            self.assertEqual(SESSION.atoms(window_id, "_NET_WM_WINDOW_TYPE"), ["_NET_WM_WINDOW_TYPE_UTILITY"])
            self.assertTrue(wait_until(lambda: "_NET_WM_STATE_BELOW" in SESSION.atoms(window_id, "_NET_WM_STATE"), 5),
                            SESSION.atoms(window_id, "_NET_WM_STATE"))
            self.assertTrue(SESSION.shaped(window_id), "without a compositor the probe is shaped")
            SESSION.restart_window_manager()
            self.assertTrue(wait_until(lambda: SESSION.window_manager_window() is not None, 5))
            probe.stop()
            SESSION.start_compositor()
            composited = SESSION.probe("widget", "100", "50", "200", "100")
            window_id = SESSION.search("^Probe widget$")[0]
            self.assertEqual(SESSION.depth(window_id), 32, "with a compositor the probe has an alpha channel")
            shot = wait_until(lambda: (lambda s: s if near(pixel(s, 200, 100), ORANGE) else None)(SESSION.screenshot()), 5)
            self.assertIsNotNone(shot, "the composited probe is not drawn")
            self.assertEqual(pixel(shot, 101, 51), BACKGROUND)
            composited.stop()
            SESSION.stop_compositor()

    def test_a_screen_reader_finds_the_probe_window(self):
        probe = SESSION.probe("widget", "100", "50", "200", "100")
        found = wait_until(lambda: frame(probe.process.pid, "Probe widget"), 10)
        self.assertIsNotNone(found, "AT-SPI shows no frame for the probe")

    @runner.only_on("sway")
    def test_outputs_come_and_go(self):
        if kind() != "sway":
            self.skipTest("only sway adds outputs headless")
        name = SESSION.add_output()
        self.assertEqual(name, "HEADLESS-2")
        probe = SESSION.probe("widget", "100", "50", "200", "100")
        try:
            SESSION.disable_output(name)
        except OutputsFixed as why:
            self.skipTest(str(why))
        SESSION.enable_output(name)
        self.assertTrue(wait_until(lambda: SESSION.outputs()[name].get("active"), 5))
        self.assertIsNone(probe.process.poll(), "the probe lives through an output going\n" + probe.output())


# MARK: The widget host

class Trace:
    """What the host's trace says: "widgethost trace <seconds>: <message>" lines."""

    def __init__(self, text):
        self.messages = re.findall(r"^widgethost trace [\d.]+: (.*)$", text, re.M)

    def kind(self):
        found = [m[len("surface kind: "):] for m in self.messages if m.startswith("surface kind: ")]
        return found[-1] if found else None

    def kept(self, number):
        """The last place of widget `number`: (x, y, output or None)."""
        pattern = re.compile(r"widget %d is kept at (-?\d+),(-?\d+)(?: on (\S+))?$" % number)
        found = [pattern.match(m) for m in self.messages]
        found = [m for m in found if m]
        return (int(found[-1].group(1)), int(found[-1].group(2)), found[-1].group(3)) if found else None

    def size(self, number):
        pattern = re.compile(r"widget %d is (\d+)x(\d+) at scale ([\d.]+)$" % number)
        found = [m for m in (pattern.match(m) for m in self.messages) if m]
        return (int(found[-1].group(1)), int(found[-1].group(2)), float(found[-1].group(3))) if found else None

    def drew(self, number):
        return sum(1 for m in self.messages if m.startswith("widget %d drew entry " % number))


class Widgets(LiveHostTest):
    """Placed widgets as desktop widgets on this session's desktop."""

    def tearDown(self):
        super().tearDown()
        SESSION.stop_clients()

    def trace(self, host):
        return Trace(host.trace())

    def wait_drawn(self, host, number, timeout=20):
        self.assertTrue(wait_until(lambda: self.trace(host).drew(number) > 0, timeout),
                        "widget %d never drew\n%s" % (number, host.trace()[-3000:]))

    def place(self, host, number, timeout=10):
        """Where widget `number` is on the screen: x, y and the output. On X11 the window's place; on a
        layer shell the host's last "widget N is kept at X,Y on OUTPUT" (said after a move), else the
        default column of the widgets it has drawn, on the first output."""
        if kind() == "openbox":
            found = wait_until(lambda: SESSION.search("^Tallyfox %d$" % number), timeout)
            self.assertTrue(found, "no window \"Tallyfox %d\"\n%s" % (number, host.trace()[-3000:]))
            x, y, _, _ = SESSION.geometry(found[0])
            return x, y, None
        kept = self.trace(host).kept(number)
        if kept:
            return kept
        y = 24
        for other in range(1, number + 1):
            size = wait_until(lambda: self.trace(host).size(other), timeout)
            self.assertIsNotNone(size, "widget %d never said its size\n%s" % (other, host.trace()[-3000:]))
            if other < number:
                y += size[1] + 12
        return SESSION.width - 24 - size[0], y, SESSION.output

    def expect_on_screen(self, host, number, expected, timeout, what, at=None):
        """Waits until widget `number` shows `expected` where the host keeps it (or at `at`)."""
        def check():
            x, y = at or self.place(host, number)[:2]
            return same_picture(crop(SESSION.screenshot(), x, y, expected.width, expected.height), expected)
        if not wait_until(check, timeout, 0.1):
            x, y = at or self.place(host, number)[:2]
            shot = crop(SESSION.screenshot(), x, y, expected.width, expected.height)
            keep = os.environ.get("TALLYFOX_LIVE_TEST_KEEP")
            if keep:
                save_ppm(shot, os.path.join(keep, "%s-widget-%d-%s.ppm" % (kind(), number, re.sub(r"\W+", "-", what))))
            off = difference(shot, expected)
            self.fail("widget %d at %d,%d does not show %s: %s\n%s" % (number, x, y, what, off, host.trace()[-3000:]))

    def expect_corners(self, host, number, size, at=None):
        x, y = at or self.place(host, number)[:2]
        width, height = size
        shot = SESSION.screenshot()
        for cx, cy in ((x, y), (x + width - 1, y), (x, y + height - 1), (x + width - 1, y + height - 1)):
            self.assertEqual(pixel(shot, cx, cy), BACKGROUND, "widget %d's corner at %d,%d" % (number, cx, cy))

    def frame_of(self, host, number):
        found = wait_until(lambda: frame(host.pid, "Tallyfox %d" % number), 15)
        self.assertIsNotNone(found, "no accessible frame \"Tallyfox %d\"\n%s" % (number, host.trace()[-2000:]))
        return found

    def open_menu(self, host, number, expect=()):
        """The widget's menu, through the panel's "menu" action (no session here has pointer
        injection on Wayland), or a right click on X11: the names of its items once they show
        (all of `expect` among them; a menu's items appear to a reader one after another)."""
        pyatspi = atspi()
        if kind() == "openbox":
            window_id = SESSION.search("^Tallyfox %d$" % number)[0]
            SESSION.xdotool("mousemove", "--window", window_id, 60, 60, "click", 3)
        else:
            panel = None
            for node in descendants(self.frame_of(host, number), skip_roles=()):
                try:
                    action = node.queryAction()
                except Exception:
                    continue
                names = [action.getName(i) for i in range(action.nActions)]
                if "menu" in names:
                    panel = (action, names.index("menu"))
                    break
            self.assertIsNotNone(panel, "no accessible object of widget %d offers a \"menu\" action" % number)
            panel[0].doAction(panel[1])

        def shown_now():
            app = host_application(host.pid)
            items = []
            for node in descendants(app, skip_roles=()):
                try:
                    if node.getRoleName() in MENU_ROLES and node.name and \
                            node.getState().contains(pyatspi.STATE_SHOWING):
                        items.append(node.name)
                except Exception:
                    continue
            return items

        def shown():
            items = shown_now()
            return items if all(name in items for name in expect) else []
        items = wait_until(shown, 10) or shown_now()
        self.assertTrue(items, "widget %d's menu did not open\n%s" % (number, host.trace()[-2000:]))
        return items

    def menu_item(self, host, name):
        for node in descendants(host_application(host.pid), skip_roles=()):
            try:
                if node.getRoleName() in MENU_ROLES and node.name == name:
                    return node
            except Exception:
                continue
        self.fail("no menu item " + name)

    def choose(self, host, name):
        act(self.menu_item(host, name))

    def test_two_placed_widgets_lie_apart_where_placed_below_windows_with_transparent_corners(self):
        write_atomically(snapshot_file(), three_providers(T))
        widgethost("add", "--family", "medium")
        widgethost("add", "--family", "small")
        started = time.monotonic()
        host = self.start("--now", iso(T), "--verbose")
        self.wait_drawn(host, 1)
        self.wait_drawn(host, 2)
        first_picture = time.monotonic() - started
        expected_kind = {"sway": "layer-shell", "kwin": "layer-shell", "openbox": "x11"}[kind()]
        self.assertEqual(self.trace(host).kind(), expected_kind, host.trace()[-2000:])
        places = default_column(["medium", "small"])
        for number, (x, y) in enumerate(places, 1):
            kept = self.place(host, number)
            self.assertEqual(kept[:2], (x, y), "widget %d's place" % number)
            if kind() != "openbox":
                self.assertEqual(kept[2], SESSION.output)
        for number, family in ((1, "medium"), (2, "small")):
            expected = render(os.path.join(self.scratch, "%d.png" % number), "--widget", str(number), "--now", iso(T))
            self.assertEqual((expected.width, expected.height), SIZES[family])
            self.expect_on_screen(host, number, expected, 10, "its render")
            self.expect_corners(host, number, SIZES[family])
        print("\n  %s: show to both widgets drawn: %.2f s" % (kind(), first_picture), file=sys.stderr)

        if kind() == "sway":
            self.assertEqual([n for n in SESSION.toplevels() if n and n.startswith("Tallyfox")], [],
                             "widgets are no toplevels")
            SESSION.open_window("Covering window", "c03020")
            x, y, _ = self.place(host, 1)
            self.assertTrue(wait_until(lambda: near(pixel(SESSION.screenshot(), x + 100, y + 80), (0xc0, 0x30, 0x20)), 5),
                            "a window opened over the widget is drawn over it")
        elif kind() == "kwin":
            states = SESSION.windows()
            for number, (x, y) in enumerate(places, 1):
                width, height = SIZES[("medium", "small")[number - 1]]
                found = [w for w in states if (w["x"], w["y"], w["width"], w["height"]) == (x, y, width, height)]
                self.assertEqual(len(found), 1, "KWin's windows: %s" % states)
                state = found[0]
                self.assertTrue(state["keepBelow"] or state["layer"] == 1, state)
                self.assertTrue(state["skipTaskbar"] and state["skipSwitcher"] and state["onAllDesktops"], state)
        else:
            for number in (1, 2):
                window_id = SESSION.search("^Tallyfox %d$" % number)[0]
                self.assertEqual(SESSION.atoms(window_id, "_NET_WM_WINDOW_TYPE"), ["_NET_WM_WINDOW_TYPE_UTILITY"])
                self.assertEqual(SESSION.properties(window_id, "_NET_WM_DESKTOP").get("_NET_WM_DESKTOP"), "4294967295")
                state = wait_until(lambda: (lambda s: s if "_NET_WM_STATE_BELOW" in s else None)(
                    SESSION.atoms(window_id, "_NET_WM_STATE")), 5) or SESSION.atoms(window_id, "_NET_WM_STATE")
                for atom in ("_NET_WM_STATE_BELOW", "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"):
                    self.assertIn(atom, state)
                self.assertTrue(SESSION.shaped(window_id), "without a compositor widget %d is shaped" % number)
            SESSION.restart_window_manager()
            window_id = SESSION.search("^Tallyfox 1$")[0]
            self.assertTrue(wait_until(lambda: "_NET_WM_STATE_BELOW" in SESSION.atoms(window_id, "_NET_WM_STATE"), 5),
                            "after openbox restarted: %s" % SESSION.atoms(window_id, "_NET_WM_STATE"))
        self.expect_clean_end(host)

    def test_the_menu_resizes_and_a_screen_reader_reads_what_accessibility_prints(self):
        write_atomically(snapshot_file(), three_providers(T))
        host = self.start("--now", iso(T))
        self.wait_drawn(host, 1)
        expected = json.loads(widgethost("accessibility", "--widget", "1", "--now", iso(T), "--json").stdout)
        self.expect_read_aloud(host, 1, expected, 15, "the medium widget's reading")
        items = self.open_menu(host, 1)
        for name in MENU:
            self.assertIn(name, items)
        self.choose(host, "Large")
        self.assertEqual(wait_until(lambda: (self.trace(host).size(1) or (0, 0))[:2] == SIZES["large"], 5), True,
                         host.trace()[-2000:])
        self.assertEqual(json.loads(widgethost("list", "--json").stdout)[0]["family"], "systemLarge")
        large = render(os.path.join(self.scratch, "large.png"), "--widget", "1", "--now", iso(T))
        self.expect_on_screen(host, 1, large, 5, "the large widget")
        self.expect_corners(host, 1, SIZES["large"])
        self.expect_read_aloud(host, 1, json.loads(widgethost(
            "accessibility", "--widget", "1", "--now", iso(T), "--json").stdout), 5, "the large widget's reading")
        self.expect_clean_end(host)

    def test_the_menu_speaks_german_and_hebrew(self):
        write_atomically(snapshot_file(), three_providers(T))
        for language, menu, sizes in (("de_DE.UTF-8", GERMAN_MENU, GERMAN_SIZES), ("he_IL.UTF-8", HEBREW_MENU, HEBREW_SIZES)):
            host = self.start("--now", iso(T), environment={"LANGUAGE": language.split("_")[0], "LANG": language})
            self.wait_drawn(host, 1)
            items = self.open_menu(host, 1, expect=menu)
            for name in menu:
                self.assertIn(name, items, "the menu in %s" % language)
            for english in MENU:
                self.assertNotIn(english, items, "untranslated in %s" % language)
            for name in sizes:
                self.menu_item(host, name)
            self.expect_clean_end(host)

    @runner.only_on("sway")
    def test_the_outputs_scale_is_followed_pixel_for_pixel(self):
        if kind() != "sway":
            self.skipTest("only sway changes an output's scale headless here")
        write_atomically(snapshot_file(), three_providers(T))
        host = self.start("--now", iso(T))
        self.wait_drawn(host, 1)
        # Twice the pixels on the same logical screen.
        SESSION.command("output %s resolution 2560x1440 scale 2" % SESSION.output)
        try:
            self.assertTrue(wait_until(lambda: (self.trace(host).size(1) or (0, 0, 0))[2] == 2, 10),
                            "the widget did not follow the output's scale\n" + host.trace()[-2000:])
            path = os.path.join(self.scratch, "scale-2.png")
            widgethost("render", "--scale", "2", "--output", path, "--widget", "1", "--now", iso(T))
            expected = Picture(png_image(path))
            self.assertEqual((expected.width, expected.height), (728, 340))
            x, y, _ = self.place(host, 1)
            self.assertTrue(wait_until(lambda: same_picture(
                crop(SESSION.screenshot(), 2 * x, 2 * y, expected.width, expected.height), expected), 10),
                "at scale 2 the widget does not show render --scale 2")
            self.expect_clean_end(host)
        finally:
            SESSION.command("output %s resolution 1280x720 scale 1" % SESSION.output)

    @runner.only_on("sway")
    def test_a_widget_whose_output_goes_moves_to_another_and_comes_back(self):
        if kind() != "sway":
            self.skipTest("only sway adds and removes outputs headless")
        second = SESSION.add_output()
        try:
            SESSION.disable_output(SESSION.output)
        except OutputsFixed as why:
            self.skipTest(str(why))
        try:
            write_atomically(snapshot_file(), three_providers(T))
            host = self.start("--now", iso(T))
            self.wait_drawn(host, 1)
            SESSION.enable_output(SESSION.output)
            SESSION.disable_output(second)
            self.assertTrue(wait_until(lambda: ("moves to " + SESSION.output) in host.trace(), 5),
                            "the widget stayed on the output that went\n" + host.trace()[-2000:])
            expected = render(os.path.join(self.scratch, "moved.png"), "--widget", "1", "--now", iso(T))
            self.expect_on_screen(host, 1, expected, 5, "the widget on the remaining output")
            SESSION.enable_output(second)
            self.assertTrue(wait_until(lambda: host.trace().count("moves to " + second) >= 1 and
                                       host.trace().rindex("moves to ") == host.trace().rindex("moves to " + second), 5),
                            "the widget did not return to its output\n" + host.trace()[-2000:])
            self.expect_alive(host, "after its output went and came back")
            self.expect_clean_end(host)
        finally:
            SESSION.enable_output(SESSION.output)
            SESSION.disable_output(second)

    def test_a_dragged_widget_is_where_it_was_left_after_a_restart(self):
        if not SESSION.has_pointer:
            self.skipTest(SESSION.pointer_note)
        write_atomically(snapshot_file(), three_providers(T))
        host = self.start("--now", iso(T))
        self.wait_drawn(host, 1)
        x, y, _ = self.place(host, 1)
        expected = render(os.path.join(self.scratch, "1.png"), "--widget", "1", "--now", iso(T))
        self.expect_on_screen(host, 1, expected, 5, "its render before the drag")
        # A hand's pace, once the widget is there to be taken.
        time.sleep(0.5)
        SESSION.move(x + 60, y + 60)
        time.sleep(0.3)
        SESSION.press(1)
        time.sleep(0.5)
        for step in range(1, 21):  # in small steps, as a hand moves
            SESSION.move(x + 60 - 20 * step, y + 60 + 10 * step)
            time.sleep(0.04)
        SESSION.release(1)
        SESSION.park()
        moved = (x - 400, y + 200)
        self.assertTrue(wait_until(lambda: (self.trace(host).kept(1) or ())[:2] == moved, 5), host.trace()[-2000:])
        if kind() != "openbox":
            self.assertEqual(self.trace(host).kept(1)[2], SESSION.output)
        self.expect_on_screen(host, 1, expected, 5, "its render where it was dragged", at=moved)
        self.expect_clean_end(host)
        again = self.start("--now", iso(T))
        self.wait_drawn(again, 1)
        if kind() == "openbox":
            self.assertEqual(self.place(again, 1)[:2], moved)
        self.expect_on_screen(again, 1, expected, 5, "its render where it was left, after a restart", at=moved)
        self.expect_corners(again, 1, SIZES["medium"], at=moved)
        self.expect_clean_end(again)

    @runner.only_on("openbox")
    def test_with_a_compositor_the_corners_are_blended_and_without_one_shaped_live(self):
        if kind() != "openbox":
            self.skipTest("the X11 compositor switch")
        write_atomically(snapshot_file(), three_providers(T))
        host = self.start("--now", iso(T))
        self.wait_drawn(host, 1)
        window_id = SESSION.search("^Tallyfox 1$")[0]
        self.assertTrue(SESSION.shaped(window_id), "without a compositor the widget is shaped")
        SESSION.start_compositor()
        try:
            self.assertTrue(wait_until(lambda: not SESSION.shaped(window_id), 5),
                            "with xcompmgr the widget draws its corners with alpha, unshaped")
            self.assertEqual(SESSION.depth(window_id), 32)
            expected = render(os.path.join(self.scratch, "1.png"), "--widget", "1", "--now", iso(T))
            self.expect_on_screen(host, 1, expected, 5, "its render, composited")
            x, y, _ = self.place(host, 1)
            shot = SESSION.screenshot()
            self.assertEqual(pixel(shot, x, y), BACKGROUND, "the outermost corner pixel is transparent")
            # Along the rounding the picture's partly covered pixels are blended with the background.
            edge = [pixel(shot, x + i, y + i) for i in range(1, 12)]
            self.assertTrue(any(p != BACKGROUND and not near(p, pixel(shot, x + 40, y + 40), 2) for p in edge), edge)
        finally:
            SESSION.stop_compositor()
        self.assertTrue(wait_until(lambda: SESSION.shaped(window_id), 5), "shaped again once xcompmgr ended")
        self.expect_clean_end(host)


def start(options):
    global SESSION
    SESSION = sessions.start(options.session)
    use(SESSION, options.widgethost)
    return SESSION


def main():
    options = runner.options(["sway", "kwin", "openbox"])
    return runner.run(__file__, (Harness, Widgets), options, lambda: start(options))


if __name__ == "__main__":
    sys.exit(main())
