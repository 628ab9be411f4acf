#!/usr/bin/python3
"""The headless GNOME Shell session (desktop/sessions/gnome) checked on its own: what the widget tests
on GNOME rely on, with actors added through Eval and the probe's windows; then the placed widgets
through our extension, which the build lays out beside the host.

Usage: GnomeShellTests.py [--widgethost PATH] [--test NAME]...
       GnomeShellTests.py --list

Without `--widgethost` only the session's own (Harness) tests run; --list names those a run with it
makes. A process runs one session; each test leaves it as it found it.
"""
import json
import os
import re
import subprocess
import sys
import time
import unittest

from desktop import runner, sessions
from desktop.accessibility import atspi, descendants, extents
from desktop.host import LiveHostTest, render, use, widgethost
from desktop.images import crop, difference, near, pixel, same_picture
from desktop.sessions import BACKGROUND
from desktop.sessions.gnome import FAULTY_HOST
from desktop.snapshots import T, iso, snapshot_file, three_providers, write_atomically
from desktop.waiting import wait_until

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

SESSION = None  # the running session
ORANGE = (255, 128, 0)
COVER = (0xc0, 0x30, 0x20)
# An orange actor on the desktop, below the windows, where a widget extension draws; it notes the
# buttons pressed on it.
ADD_ACTOR = """
const actor = new St.Widget({style: 'background-color: #ff8000', reactive: true, accessible_name: 'probe',
                             x: 100, y: 50, width: 200, height: 100});
globalThis.tallyfoxProbe = {actor, presses: []};
actor.connect('button-press-event', (_, event) => {
    const [x, y] = event.get_coords();
    tallyfoxProbe.presses.push([event.get_button(), x, y]);
    return Clutter.EVENT_STOP;
});
Main.layoutManager._backgroundGroup.add_child(actor);
"""


# An extension of the tests' own, given to the session at start as a widget extension is: while enabled
# it keeps a named actor on the desktop.
EXTENSION_UUID = "tallyfox-harness-check@tallyfox.com"
EXTENSION = """
const { St } = imports.gi;
const Main = imports.ui.main;

class Check {
    enable() {
        this._actor = new St.Widget({name: 'tallyfox-harness-check', x: 400, y: 300, width: 10, height: 10});
        Main.layoutManager._backgroundGroup.add_child(this._actor);
    }

    disable() {
        this._actor.destroy();
        this._actor = null;
    }
}

function init() {
    return new Check();
}
"""
HAS_CHECK_ACTOR = "Main.layoutManager._backgroundGroup.get_children().some(a => a.name === 'tallyfox-harness-check')"


def write_extension(folder):
    os.makedirs(folder)
    with open(os.path.join(folder, "metadata.json"), "w") as out:
        json.dump({"uuid": EXTENSION_UUID, "name": "Harness check", "description": "A named actor on the desktop",
                   "shell-version": ["43"]}, out)
    with open(os.path.join(folder, "extension.js"), "w") as out:
        out.write(EXTENSION)
    return folder


def shows(colour, x, y, timeout=10):
    """A screenshot with `colour` at x, y, or None when none came within `timeout` seconds."""
    return wait_until(lambda: (lambda shot: shot if near(pixel(shot, x, y), colour) else None)(SESSION.screenshot()),
                      timeout, 0.1)


class Harness(unittest.TestCase):
    """The shell is up as the widget tests need it: its desktop bare, an actor on it drawn, clicked and
    read aloud like a widget, and covered by windows."""

    def tearDown(self):
        SESSION.eval("if (globalThis.tallyfoxProbe) {"
                     " tallyfoxProbe.actor.destroy(); delete globalThis.tallyfoxProbe; }")
        SESSION.stop_clients()
        wait_until(lambda: not [w for w in SESSION.windows() if w["in_tab_list"]], 10)
        SESSION.wait_for_background()  # the screen follows the windows' list a frame or more later
        if SESSION.has_pointer:
            SESSION.park()

    def add_actor(self):
        SESSION.eval(ADD_ACTOR)
        shot = shows(ORANGE, 200, 100)
        self.assertIsNotNone(shot, "the actor is not drawn at 100,50")
        return shot

    def test_the_desktop_is_the_background_under_the_top_bar_with_no_overview(self):
        shot = SESSION.screenshot()
        self.assertEqual(shot[:2], (1280, 720), "a screenshot is the monitor, unscaled")
        for x, y in ((2, 717), (1277, 717), (640, 400)):
            self.assertEqual(pixel(shot, x, y), BACKGROUND, "at %d,%d (the overview would darken it)" % (x, y))
        top = SESSION.work_area()[1]
        self.assertGreater(top, 0, "the top bar takes the screen's top")
        self.assertNotEqual(pixel(shot, 2, 2), BACKGROUND, "the top bar is drawn")
        self.assertEqual(pixel(shot, 2, top + 2), BACKGROUND, "below the top bar")
        self.assertFalse(SESSION.eval("Main.overview.visible"))
        self.assertEqual(SESSION.eval("[1 + 1, global.display.get_n_monitors()]"), [2, 1])
        with self.assertRaisesRegex(AssertionError, "ReferenceError: nowhere is not defined"):
            SESSION.eval("nowhere.at_all")
        self.assertNotIn("JS ERROR", SESSION.shell_log())
        print("\n  gnome: session started in %.2f s (gnome-shell up, driver enabled, overview gone, background "
              "drawn); top bar %d px; pointer: %s" % (SESSION.started_in, top,
                                                       "yes" if SESSION.has_pointer else SESSION.pointer_note),
              file=sys.stderr)

    def test_an_extension_given_at_start_is_enabled_and_turns_off_and_on(self):
        self.assertEqual(SESSION.extension_state(SESSION.DRIVER_UUID), "enabled")
        self.assertEqual(SESSION.extension_state(EXTENSION_UUID), "enabled")
        self.assertTrue(SESSION.eval(HAS_CHECK_ACTOR))
        try:
            SESSION.disable_extension(EXTENSION_UUID)
            self.assertFalse(SESSION.eval(HAS_CHECK_ACTOR))
        finally:
            SESSION.enable_extension(EXTENSION_UUID)
        self.assertTrue(SESSION.eval(HAS_CHECK_ACTOR))
        self.assertNotIn("JS ERROR", SESSION.shell_log())

    def test_an_actor_on_the_desktop_shows_where_put_below_a_window_that_covers_it(self):
        shot = self.add_actor()
        for x, y in ((100, 50), (299, 50), (100, 149), (299, 149)):
            self.assertEqual(pixel(shot, x, y), ORANGE, "the actor's corner %d,%d" % (x, y))
        for x, y in ((99, 100), (300, 100), (200, 150)):
            self.assertEqual(pixel(shot, x, y), BACKGROUND, "beside the actor at %d,%d" % (x, y))
        window = SESSION.open_window("Covering window", "c03020")
        self.assertIsNotNone(shows(COVER, 200, 100), "a window opened over the actor is drawn over it")
        listed = [w for w in SESSION.windows() if w["in_tab_list"]]
        self.assertEqual([w["title"] for w in listed], ["Covering window"], SESSION.windows())
        self.assertFalse(listed[0]["skip_taskbar"])
        self.assertEqual(listed[0]["type"], "NORMAL")
        self.assertIsNotNone(listed[0]["app"], "the dash shows an app for the window")
        window.stop()
        self.assertIsNotNone(shows(ORANGE, 200, 100), "the actor shows again once the window is gone")
        self.assertEqual(wait_until(lambda: [w for w in SESSION.windows() if w["in_tab_list"]] == [], 10), True)

    def test_a_right_click_reaches_an_actor_and_a_window_over_it(self):
        if not SESSION.has_pointer:
            self.skipTest(SESSION.pointer_note)
        self.add_actor()
        SESSION.move(150, 80)
        SESSION.press(3)
        SESSION.release(3)
        presses = wait_until(lambda: SESSION.eval("tallyfoxProbe.presses"), 10)
        self.assertEqual(presses, [[3, 150, 80]], "a right click on the actor, as button 3 at its place")
        SESSION.press(1)
        SESSION.release(1)
        self.assertEqual(wait_until(lambda: len(SESSION.eval("tallyfoxProbe.presses")) == 2, 10), True)
        self.assertEqual(SESSION.eval("tallyfoxProbe.presses")[1], [1, 150, 80], "a left click")

        window = SESSION.open_window("Covering window", "c03020")
        self.assertIsNotNone(shows(COVER, 200, 100))
        SESSION.move(200, 100)
        SESSION.press(3)
        SESSION.release(3)
        self.assertTrue(window.wait_for("probe: button 3 at", 10), "the click reaches the window\n" + window.output())
        self.assertEqual(len(SESSION.eval("tallyfoxProbe.presses")), 2, "and not the actor below it")

    def test_a_screen_reader_finds_an_actor_by_its_name(self):
        self.add_actor()
        pyatspi = atspi()

        def shell():
            for app in pyatspi.Registry.getDesktop(0):
                try:
                    if app is not None and app.name == "gnome-shell":
                        return app
                except Exception:
                    continue
            return None
        application = wait_until(shell, 20, 0.2)
        self.assertIsNotNone(application, "AT-SPI lists no gnome-shell")
        found = wait_until(lambda: [n for n in descendants(application, ()) if n.name == "probe"], 20, 0.2)
        self.assertTrue(found, "AT-SPI shows no actor named \"probe\" in gnome-shell")
        self.assertEqual(extents(found[0])[2:], (200, 100))



# MARK: The widgets, through our extension

# Our extension's folder and uuid, as the metadata the build configured says (see start()), and its state of
# widget 1 (its DesktopWidget object), for Eval.
WIDGETS_FOLDER = WIDGETS_UUID = None
WIDGET_1_STATE = None
SIZES = {"small": (170, 170), "medium": (364, 170), "large": (364, 382)}
MENU = ["Edit Widget…", "Size", "Remove Widget", "Add Widget", "Quit"]
# Each widget actor's number (from its accessible name "Tallyfox N"), place, size and whether it shows.
WIDGET_ACTORS = """
(() => {
    const layer = Main.layoutManager._backgroundGroup.get_children().find(a => a.name === 'tallyfox-widgets');
    if (!layer) return null;
    return layer.get_children().map(a => ({name: a.accessible_name, x: a.x, y: a.y, width: a.width,
        height: a.height, visible: a.visible, elements: a.get_children().map(c => c.accessible_name)}));
})()
"""
# The open menu's items (labels of the shell's popup menu items), with their middles on the screen.
MENU_ITEMS = """
(() => {
    const items = [];
    const walk = actor => {
        if (actor.label && actor.label.text && actor.mapped && actor.has_style_class_name &&
            actor.has_style_class_name('popup-menu-item')) {
            const [x, y] = actor.get_transformed_position();
            // (Not yet laid out while a submenu opens.)
            if (Number.isFinite(x + actor.width + y + actor.height) && actor.width > 0)
                items.push({label: actor.label.text, x: x + actor.width / 2, y: y + actor.height / 2});
        }
        actor.get_children().forEach(walk);
    };
    walk(Main.layoutManager.uiGroup);
    return items;
})()
"""


class Widgets(LiveHostTest):
    """Placed widgets on GNOME's desktop: the host draws, the extension shows."""

    def tearDown(self):
        super().tearDown()
        SESSION.stop_clients()
        SESSION.park()

    def actors(self):
        return SESSION.eval(WIDGET_ACTORS) or []

    def shown(self, count, timeout=20):
        found = wait_until(lambda: (lambda a: a if len([w for w in a if w["visible"]]) == count else None)(self.actors()),
                           timeout, 0.1)
        self.assertIsNotNone(found, "not %d widgets on the desktop: %s\n%s\nshell: %s" % (
            count, self.actors(), self.hosts[-1].trace()[-2500:] if self.hosts else "",
            "\n".join(l for l in SESSION.shell_log().splitlines() if "Tallyfox" in l or "JS" in l)[-2500:]))
        return {int(a["name"].split()[-1]): a for a in found if a["visible"]}

    def expect_on_screen(self, number, expected, timeout, what):
        def check():
            actor = self.shown_widget(number)
            return actor and same_picture(
                crop(SESSION.screenshot(), actor["x"], actor["y"], expected.width, expected.height), expected)
        if not wait_until(check, timeout, 0.1):
            actor = self.shown_widget(number) or {"x": 0, "y": 0}
            shot = crop(SESSION.screenshot(), actor["x"], actor["y"], expected.width, expected.height)
            self.fail("widget %d does not show %s: %s\n%s" % (number, what, difference(shot, expected),
                                                            SESSION.shell_log()[-2000:]))

    def shown_widget(self, number):
        found = [a for a in self.actors() if a["name"] == "Tallyfox %d" % number and a["visible"]]
        return found[0] if found else None

    def point_at(self, number, x, y):
        """Moves the pointer to (x, y) and waits until the shell has seen it come over widget `number`:
        a press sent before then goes to whatever the shell last had under the pointer."""
        SESSION.move(x, y)
        return wait_until(lambda: SESSION.eval(
            "Main.layoutManager._backgroundGroup.get_children().find(l => l.name === 'tallyfox-widgets')"
            ".get_children().some(a => a.accessible_name === 'Tallyfox %d' && a.hover)" % number), 5, 0.02)

    def menu_items(self, label=None):
        """The open menu's items once they stay where they are (a menu is placed after it first shows):
        those labelled `label`, or all of them."""
        last = [None]

        def settled():
            items = SESSION.eval(MENU_ITEMS)
            if label:
                items = [i for i in items if i["label"] == label]
            steady, last[0] = items and items == last[0], items
            return items if steady else None
        return wait_until(settled, 10, 0.1)

    def expect_quiet_shell(self):
        log = SESSION.shell_log()
        self.assertNotIn("JS ERROR", log)
        self.assertNotIn("Tallyfox widgets:", log, "the extension complained")

    def test_two_placed_widgets_show_as_rendered_below_windows_and_in_no_window_list(self):
        write_atomically(snapshot_file(), three_providers(T))
        widgethost("add", "--family", "medium")
        widgethost("add", "--family", "small")
        started = time.monotonic()
        host = self.start("--now", iso(T), "--verbose")
        actors = self.shown(2)
        print("\n  gnome: show to both widgets on the desktop: %.2f s" % (time.monotonic() - started), file=sys.stderr)
        self.assertIn("surface kind: gnome-shell", host.trace())
        area = SESSION.work_area()
        for number, family in ((1, "medium"), (2, "small")):
            actor = actors[number]
            self.assertEqual((actor["width"], actor["height"]), SIZES[family])
            # In the column of new widgets at the right, below the top bar.
            self.assertEqual(actor["x"] + actor["width"], area[0] + area[2] - 24)
            self.assertGreaterEqual(actor["y"], area[1])
            expected = render(os.path.join(self.scratch, "%d.png" % number), "--widget", str(number), "--now", iso(T))
            self.expect_on_screen(number, expected, 10, "its render")
        self.assertGreaterEqual(actors[2]["y"], actors[1]["y"] + actors[1]["height"] + 12, "apart, one below the other")
        self.assertEqual([w for w in SESSION.windows() if "Tallyfox" in (w.get("title") or "")], [],
                         "no window of ours for the overview, the dash or the switcher")
        labels = widgethost("accessibility", "--widget", "1", "--now", iso(T)).stdout
        self.assertTrue(actors[1]["elements"], "the widget's accessible elements")
        for label in actors[1]["elements"]:
            self.assertIn(label, labels)

        # A new snapshot reaches the picture within two seconds.
        write_atomically(snapshot_file(), three_providers(T, codex_usage=85))
        changed = render(os.path.join(self.scratch, "1b.png"), "--widget", "1", "--now", iso(T))
        self.expect_on_screen(1, changed, 2, "the new snapshot")

        # A window over a widget covers it.
        SESSION.open_window("Covering window", "c03020")
        actor = actors[1]
        self.assertTrue(wait_until(lambda: near(pixel(SESSION.screenshot(), actor["x"] + 100, actor["y"] + 80), COVER), 10),
                        "a window opened over the widget is drawn over it")
        self.expect_quiet_shell()

    def test_the_menu_resizes_a_widget(self):
        write_atomically(snapshot_file(), three_providers(T))
        widgethost("add", "--family", "medium")
        host = self.start("--now", iso(T))
        actor = self.shown(1)[1]
        self.assertTrue(self.point_at(1, actor["x"] + 100, actor["y"] + 60), "the pointer over the widget: %s" % self.actors())
        SESSION.press(3)
        SESSION.release(3)
        items = self.menu_items()
        self.assertEqual([i["label"] for i in items], MENU, "the host's menu in the shell")
        size = [i for i in items if i["label"] == "Size"][0]
        SESSION.move(size["x"], size["y"])
        SESSION.press(1)
        SESSION.release(1)
        small = self.menu_items("Small")
        self.assertTrue(small, "the Size submenu opened")
        SESSION.move(small[0]["x"], small[0]["y"])
        SESSION.press(1)
        SESSION.release(1)
        self.assertTrue(wait_until(lambda: (lambda a: a and (a["width"], a["height"]) == SIZES["small"])(self.shown_widget(1)), 10),
                        "Size, Small: %s\n%s" % (self.actors(), host.trace()[-2000:]))
        self.assertIn("systemSmall", widgethost("list").stdout)

        self.expect_quiet_shell()

    def test_a_dragged_widget_stays_where_it_was_left_after_a_restart(self):
        write_atomically(snapshot_file(), three_providers(T))
        widgethost("add", "--family", "small")
        host = self.start("--now", iso(T))
        self.shown(1)
        actor = self.shown_widget(1)
        # In the headless shell about one drag in ten injected this way is not seen at all (the widget
        # never moves and the host hears of no drop; the cause is not known): the gesture is made
        # again once before the test gives up.
        for attempt in range(2):
            self.point_at(1, actor["x"] + 80, actor["y"] + 80)
            SESSION.press(1)
            # Moved once the widget holds the press.
            wait_until(lambda: SESSION.eval("!!%s._press" % WIDGET_1_STATE), 5, 0.02)
            for step in range(1, 11):
                SESSION.move(actor["x"] + 80 - 40 * step, actor["y"] + 80 + 20 * step)
            SESSION.release(1)
            moved = wait_until(lambda: re.search(r"widget 1 is kept at (\d+),(\d+) on (\S+)", host.trace()), 5)
            if moved:
                break
            print("\n  gnome: the first drag was not seen; once more", file=sys.stderr)
        self.assertTrue(moved, "%s\n%s\n%s" % (self.actors(), [l for l in SESSION.shell_log().splitlines() if "allyfox" in l], host.trace()[-800:]))
        dropped = self.shown_widget(1)
        self.assertEqual((dropped["x"], dropped["y"]), (actor["x"] - 400, actor["y"] + 200))
        self.expect_clean_end(host)
        self.start("--now", iso(T))
        again = self.shown(1)[1]
        self.assertEqual((again["x"], again["y"]), (dropped["x"], dropped["y"]), "where it was left")
        self.expect_quiet_shell()

    def test_the_widgets_follow_the_host_and_the_extension_coming_and_going(self):
        write_atomically(snapshot_file(), three_providers(T))
        widgethost("add", "--family", "medium")
        host = self.start("--now", iso(T))
        self.shown(1)
        host.process.kill()
        host.process.wait(10)
        self.shown(0)
        self.start("--now", iso(T))
        self.shown(1)
        SESSION.disable_extension(WIDGETS_UUID)
        self.assertTrue(wait_until(lambda: self.actors() is None or self.actors() == [], 10), self.actors())
        SESSION.enable_extension(WIDGETS_UUID)
        self.shown(1)
        self.expect_quiet_shell()

    def test_a_faulty_host_leaves_the_shell_running_and_is_logged_once(self):
        host = SESSION.client(["/usr/bin/python3", FAULTY_HOST, WIDGETS_FOLDER])
        self.assertTrue(host.wait_for("faulty host: ready"), host.output())
        wrong = "Tallyfox widgets: the host sent a picture of the wrong size"
        malformed = "Tallyfox widgets: the host described a widget that cannot be shown"
        self.assertTrue(wait_until(lambda: wrong in SESSION.shell_log() and malformed in SESSION.shell_log(), 15),
                        SESSION.shell_log()[-2000:])
        time.sleep(5)  # five more changes, each described and drawn wrongly again
        log = SESSION.shell_log()
        self.assertEqual(log.count(wrong), 1, "logged once")
        self.assertEqual(log.count(malformed), 1, "logged once")
        self.assertNotIn("JS ERROR", log)
        self.assertEqual([a for a in self.actors() if a["visible"]], [], "nothing shown of what cannot be shown")
        # The shell runs on, and a host that goes leaves nothing behind.
        host.stop()
        self.assertTrue(wait_until(lambda: self.actors() == [], 10), self.actors())
        self.assertEqual(SESSION.eval("1 + 1"), 2)

    def test_with_the_extension_not_enabled_show_says_how_to_enable_it(self):
        write_atomically(snapshot_file(), three_providers(T))
        widgethost("add", "--family", "medium")
        SESSION.disable_extension(WIDGETS_UUID)
        try:
            host = self.start("--now", iso(T))
            line = ("widgethost: the Tallyfox extension for GNOME Shell is installed but not enabled; enable it with "
                    "“gnome-extensions enable %s” (GNOME on Wayland loads a newly installed extension after the next "
                    "log-in)" % WIDGETS_UUID)
            self.assertTrue(wait_until(lambda: line in host.trace(), 15), host.trace()[-2000:])
            self.assertEqual(host.trace().count(line), 1)
            self.assertIn("surface kind: window", host.trace())
            # The host asks for layer surfaces without gtk-layer-shell's warning in the user's log.
            self.assertNotIn("Layer Shell protocol", host.trace())
        finally:
            SESSION.enable_extension(WIDGETS_UUID)

    def test_a_ticking_countdown_sends_only_the_picture(self):
        # A countdown that shows seconds redraws each second while what a screen reader reads stays.
        snapshot = subprocess.run([os.path.join(ROOT, "bench", "make-snapshot"), "--entries", "6"],
                                  capture_output=True, text=True, check=True).stdout
        write_atomically(snapshot_file(), snapshot)
        widgethost("add", "--family", "medium")
        host = self.start()
        self.shown(1)
        serial = WIDGET_1_STATE + ".serial"
        first, asked = SESSION.eval(serial), host.trace().count("the shell asks for the widgets")
        before = SESSION.screenshot()
        time.sleep(3.5)
        actor = self.shown_widget(1)
        self.assertGreaterEqual(SESSION.eval(serial) - first, 2, "a new picture each second")
        # (Once more at most: the minutes of a countdown are in what is read, and one may pass.)
        self.assertLessEqual(host.trace().count("the shell asks for the widgets") - asked, 1,
                             "the widgets asked for again")
        on_screen = [crop(shot, actor["x"], actor["y"], actor["width"], actor["height"])
                     for shot in (before, SESSION.screenshot())]
        self.assertNotEqual(on_screen[0], on_screen[1], "the countdown on the screen")
        self.expect_quiet_shell()

    def test_a_screen_reader_reads_the_widgets_elements(self):
        write_atomically(snapshot_file(), three_providers(T))
        widgethost("add", "--family", "medium")
        self.start("--now", iso(T))
        self.shown(1)
        pyatspi = atspi()
        application = wait_until(lambda: [a for a in pyatspi.Registry.getDesktop(0) if a is not None and a.name == "gnome-shell"], 20, 0.2)
        self.assertTrue(application, "AT-SPI lists no gnome-shell")
        panel = wait_until(lambda: [n for n in descendants(application[0], ()) if n.name == "Tallyfox 1"], 20, 0.2)
        self.assertTrue(panel, "no accessible \"Tallyfox 1\" in gnome-shell")
        # As `widgethost accessibility` prints it: the value only where there is one.
        read = ['"%s"' % child.name + (', value "%s"' % child.description if child.description else "")
                for child in panel[0]]
        expected = widgethost("accessibility", "--widget", "1", "--now", iso(T)).stdout.strip().splitlines()
        self.assertEqual(read, expected)


def built_extension(widgethost):
    """Our extension as the build lays it out beside bin/ (the one extension there), and its uuid."""
    folder = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(widgethost))), "share", "gnome-shell",
                          "extensions")
    found = os.listdir(folder)
    assert len(found) == 1, "one extension in %s, not %s" % (folder, found)
    with open(os.path.join(folder, found[0], "metadata.json")) as source:
        return os.path.join(folder, found[0]), json.load(source)["uuid"]


def start(options):
    global SESSION, WIDGETS_FOLDER, WIDGETS_UUID, WIDGET_1_STATE
    extensions = [write_extension(os.path.join(os.environ["TMPDIR"], "extensions", EXTENSION_UUID))]
    if options.widgethost:
        WIDGETS_FOLDER, WIDGETS_UUID = built_extension(options.widgethost)
        WIDGET_1_STATE = "Main.extensionManager.lookup('%s').stateObj.widgets.get(1)" % WIDGETS_UUID
        extensions.append(WIDGETS_FOLDER)
    SESSION = sessions.start("gnome", extensions=extensions)
    use(SESSION, options.widgethost)
    return SESSION


def main():
    options = runner.options(["gnome"], default="gnome", needs_widgethost=False)
    cases = (Harness, Widgets) if options.widgethost or options.list else (Harness,)
    return runner.run(__file__, cases, options, lambda: start(options))


if __name__ == "__main__":
    sys.exit(main())
