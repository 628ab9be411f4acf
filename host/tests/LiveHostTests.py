#!/usr/bin/python3
"""`widgethost show` on a desktop of its own: a virtual X server (Xvfb) or sway headless, a private
D-Bus session with the accessibility bus, a temporary HOME, real windows, real input (xdotool on X11),
and what a screen reader reads (AT-SPI through pyatspi).

Usage: LiveHostTests.py --widgethost PATH [--session xvfb|sway] [--test NAME]...
       LiveHostTests.py --list [--session xvfb|sway]

The script starts itself again inside `dbus-run-session`, as an unprivileged user when run as root,
with HOME and the XDG folders pointing into a temporary folder, so nothing reaches the real session or
home (desktop/runner.py). Each test starts its own host. Debian's /usr/bin/python3 is needed: pyatspi
is packaged for it alone. On sway (a virtual pointer) the tests of a drag and of GDK_SCALE are not
run; pictures are taken from the screen where the host's trace says the widget is.
"""
import datetime as dt
import json
import os
import re
import shutil
import subprocess
import sys
import time

from desktop import runner, sessions
from desktop.accessibility import act, atspi, descendants, extents, find, frame, host_application, read_aloud
from desktop.host import (LiveHostTest, Picture, WidgetPlace, png_image, render, set_appearance, use, widgethost,
                          x11)
from desktop.images import pictures_alike
from desktop.snapshots import (T, container, home, iso, provider, snapshot, snapshot_file, three_providers, window,
                               write_atomically, write_in_place)
from desktop.waiting import wait_until

WIDGETHOST = None  # the program under test, from --widgethost
SESSION = None  # the desktop the tests run on


def window_named(title):
    """An ordinary window of that title: its X window, or on sway the rectangle of its content."""
    if x11():
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % re.escape(title)],
                               capture_output=True, text=True).stdout.split()
        return found[0] if found else None
    found = []

    def walk(node):
        if node.get("name") == title and node.get("pid"):
            rect, content = node["rect"], node["window_rect"]
            found.append((rect["x"] + content["x"], rect["y"] + content["y"]))
        for child in node.get("nodes", []) + node.get("floating_nodes", []):
            walk(child)
    walk(SESSION.tree())
    return found[0] if found else None


def point_at(window, x, y):
    """The pointer to x, y of a window: an X window id, a widget's place, or a window's top-left."""
    if isinstance(window, WidgetPlace):
        left, top = window.place()
    elif isinstance(window, tuple):
        left, top = window
    else:
        subprocess.run(["xdotool", "mousemove", "--window", str(window), str(x), str(y)], check=True)
        return
    SESSION.move(left + x, top + y)


def widget_windows():
    """The widget windows on the screen, of any process: by title on X11, by accessible frame else."""
    if x11():
        return subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Tallyfox "], capture_output=True,
                              text=True).stdout.split()
    pyatspi = atspi()
    frames = []
    for app in pyatspi.Registry.getDesktop(0):
        try:
            frames += [f.name for f in app if f is not None and f.getRoleName() == "frame" and
                       f.name.startswith("Tallyfox ")]
        except Exception:
            continue
    return frames


# MARK: Tests

class Drawing(LiveHostTest):
    def test_each_window_shows_what_render_draws_in_light_dark_and_increased_contrast(self):
        write_atomically(snapshot_file(), three_providers(T))
        for family in ("medium", "small", "large"):
            widgethost("add", "--family", family)
        host = self.start("--now", iso(T))
        sizes = {1: (364, 170), 2: (170, 170), 3: (364, 382)}
        for appearance, contrast in (("light", "standard"), ("dark", "standard"), ("dark", "increased")):
            set_appearance(dark=appearance == "dark", high_contrast=contrast == "increased")
            for number, size in sizes.items():
                expected = render(os.path.join(self.scratch, "%d-%s-%s.png" % (number, appearance, contrast)),
                                  "--widget", str(number), "--now", iso(T), "--appearance", appearance,
                                  "--contrast", contrast)
                self.assertEqual((expected.width, expected.height), size)
                self.expect_picture(host, number, expected, 10, "%s with %s contrast" % (appearance, contrast))
                self.assertEqual(host.geometry(host.window(number)), size)
        self.expect_clean_end(host)


    # GDK_SCALE is read by X11 alone.
    @runner.only_on("xvfb")
    def test_at_a_scale_factor_of_two_the_window_has_the_pixels_of_render_at_scale_two(self):
        write_atomically(snapshot_file(), three_providers(T))
        host = self.start("--now", iso(T), environment={"GDK_SCALE": "2"})
        self.assertIsNotNone(host.window(1), host.trace())
        path = os.path.join(self.scratch, "scale-2.png")
        widgethost("render", "--scale", "2", "--output", path, "--widget", "1", "--now", iso(T))
        expected = Picture(png_image(path))
        self.assertEqual((expected.width, expected.height), (728, 340))
        self.expect_picture(host, 1, expected, 10, "the medium widget at scale 2")
        self.expect_clean_end(host)


class SnapshotChanges(LiveHostTest):
    def test_every_way_of_changing_the_snapshot_shows_within_two_seconds_and_the_host_lives_on(self):
        path = snapshot_file()
        write_atomically(path, three_providers(T, codex_usage=10))
        host = self.start("--now", iso(T))
        self.assertIsNotNone(host.window(1), host.trace())
        expected = render(os.path.join(self.scratch, "first.png"), "--widget", "1", "--now", iso(T))
        self.expect_picture(host, 1, expected, 15, "the first snapshot")

        oversized = '{"schemaVersion": 1' + " " * (4 * 1024 * 1024) + "}"
        steps = [
            ("replaced by a rename", lambda: write_atomically(path, three_providers(T, codex_usage=50))),
            ("rewritten in place", lambda: write_in_place(path, three_providers(T, codex_usage=90))),
            ("deleted", lambda: os.unlink(path)),
            ("written anew", lambda: write_in_place(path, three_providers(T, codex_usage=30))),
            ("garbage", lambda: write_atomically(path, "{\"schemaVersion\": 1, \"state\": [tor")),
            ("readable again", lambda: write_atomically(path, three_providers(T, codex_usage=70))),
            ("larger than a snapshot may be", lambda: write_atomically(path, oversized)),
            ("readable at last", lambda: write_atomically(path, three_providers(T, codex_usage=20))),
        ]
        times = []
        for index, (what, change) in enumerate(steps):
            before = expected
            change()
            expected = render(os.path.join(self.scratch, "%d.png" % index), "--widget", "1", "--now", iso(T))
            self.assertFalse(pictures_alike(expected, before), "the snapshot %s should change the picture" % what)
            times.append(self.expect_picture(host, 1, expected, 2, "the snapshot %s" % what))
            self.expect_alive(host, "after the snapshot was " + what)
        print("\n  snapshot change to picture, seconds: " + ", ".join("%.2f" % t for t in times), file=sys.stderr)
        self.expect_clean_end(host)


    def test_the_first_snapshot_in_a_folder_that_did_not_exist_shows_too(self):
        shutil.rmtree(os.path.join(home(), "Library", "Group Containers"))
        host = self.start("--now", iso(T))
        self.assertIsNotNone(host.window(1), host.trace())
        message = render(os.path.join(self.scratch, "message.png"), "--widget", "1", "--now", iso(T))
        self.expect_picture(host, 1, message, 10, "the message for a missing snapshot")
        os.makedirs(container())
        write_atomically(snapshot_file(), three_providers(T))
        expected = render(os.path.join(self.scratch, "first.png"), "--widget", "1", "--now", iso(T))
        self.expect_picture(host, 1, expected, 2, "the snapshot written into the new folder")
        # The folder removed and made again.
        shutil.rmtree(container())
        self.expect_picture(host, 1, message, 2, "the message once the folder is gone")
        os.makedirs(container())
        write_atomically(snapshot_file(), three_providers(T, codex_usage=75))
        expected = render(os.path.join(self.scratch, "again.png"), "--widget", "1", "--now", iso(T))
        self.expect_picture(host, 1, expected, 2, "the snapshot in the folder made again")
        self.expect_clean_end(host)


    def test_without_inotify_a_renamed_in_snapshot_still_shows_and_show_says_so_once(self):
        try:
            subprocess.run(["/bin/true"], preexec_fn=without_inotify("max_inotify_watches"), check=True)
        except (subprocess.SubprocessError, OSError):
            self.skipTest("this kernel gives an unprivileged user no user namespace of its own")
        path = snapshot_file()
        for limit, sysctl in (("max_inotify_watches", "fs.inotify.max_user_watches"),
                              ("max_inotify_instances", "fs.inotify.max_user_instances")):
            write_atomically(path, three_providers(T, codex_usage=10))
            host = self.start("--now", iso(T), preexec=without_inotify(limit))
            self.assertIsNotNone(host.window(1), host.trace())
            first = render(os.path.join(self.scratch, "first.png"), "--widget", "1", "--now", iso(T))
            self.expect_picture(host, 1, first, 15, "the first snapshot (%s)" % limit)
            write_atomically(path, three_providers(T, codex_usage=50))
            renamed = render(os.path.join(self.scratch, "renamed.png"), "--widget", "1", "--now", iso(T))
            taken = self.expect_picture(host, 1, renamed, 5, "a snapshot renamed in (%s)" % limit)
            os.unlink(path)
            message = render(os.path.join(self.scratch, "message.png"), "--widget", "1", "--now", iso(T))
            self.expect_picture(host, 1, message, 5, "the snapshot deleted (%s)" % limit)
            print("\n  without inotify (%s), renamed-in snapshot to picture: %.2f s" % (limit, taken), file=sys.stderr)
            said = [line for line in host.trace().splitlines() if line.startswith("widgethost: cannot watch " + path)]
            self.assertEqual(len(said), 1, host.trace()[-3000:])
            self.assertIn(sysctl, said[0])
            self.expect_clean_end(host)


def without_inotify(limit):
    """For preexec_fn: the process runs in a user namespace of its own (the same user) whose inotify
    `limit` (max_inotify_watches or max_inotify_instances) is 0, as when an editor has used them up."""
    def enter():
        import ctypes
        uid, gid = os.geteuid(), os.getegid()
        if ctypes.CDLL(None, use_errno=True).unshare(0x10000000) != 0:  # CLONE_NEWUSER
            raise OSError(ctypes.get_errno(), "cannot make a user namespace")
        for name, text in (("setgroups", "deny"), ("uid_map", "%d %d 1" % (uid, uid)),
                           ("gid_map", "%d %d 1" % (gid, gid))):
            with open("/proc/self/" + name, "w") as out:
                out.write(text)
        with open("/proc/sys/user/" + limit, "w") as out:
            out.write("0")
    return enter


class Time(LiveHostTest):
    def test_a_window_changes_when_an_entry_date_passes_without_any_file_changing(self):
        now = dt.datetime.now(dt.timezone.utc).replace(microsecond=0)
        reset = now + dt.timedelta(seconds=5)
        later = now + dt.timedelta(days=3)
        write_atomically(snapshot_file(), snapshot(now, [
            provider("codex", [window(300, 80, reset)], now),
            provider("cursor", [window("monthly", 20, later)], now),
        ]))
        modified = os.stat(snapshot_file()).st_mtime_ns
        host = self.start()
        before = wait_until(lambda: read_aloud(host.pid, "Tallyfox 1"), 15)
        self.assertTrue(before, host.trace())
        # After the reset the entry at the reset shows the window cleared, as `accessibility` says for
        # that moment, and nothing in it counts seconds any more.
        after = iso(reset + dt.timedelta(seconds=1))
        expected = json.loads(widgethost("accessibility", "--widget", "1", "--now", iso(now), "--at", after,
                                         "--json").stdout)
        self.assertNotEqual(before, expected)
        self.expect_read_aloud(host, 1, expected, (reset - dt.datetime.now(dt.timezone.utc)).total_seconds() + 3,
                               "what the window reads once the reset has passed")
        picture = render(os.path.join(self.scratch, "after.png"), "--widget", "1", "--now", iso(now), "--at", after)
        self.expect_picture(host, 1, picture, 3, "the entry after the reset")
        self.assertEqual(os.stat(snapshot_file()).st_mtime_ns, modified)
        self.expect_clean_end(host)


class Accessibility(LiveHostTest):
    def test_a_screen_reader_reads_what_widgethost_accessibility_prints_over_the_parts_it_names(self):
        write_atomically(snapshot_file(), three_providers(T))
        widgethost("add", "--family", "large")
        host = self.start("--now", iso(T))
        expected = json.loads(widgethost("accessibility", "--widget", "1", "--now", iso(T), "--json").stdout)
        self.assertGreater(len(expected), 3)
        self.expect_read_aloud(host, 1, expected, 15, "the large widget's accessibility tree")
        # Each element lies over the part of the drawing it stands for, inside the window.
        for node in descendants(frame(host.pid, "Tallyfox 1")):
            if node.getRoleName() == "label":
                x, y, width, height = extents(node)
                self.assertTrue(0 <= x and 0 <= y and x + width <= 364 and y + height <= 382 and width > 0 and height > 0,
                                "%r covers %s" % (node.name, (x, y, width, height)))
        # A new snapshot reads anew.
        write_atomically(snapshot_file(), snapshot(T, [provider("cursor", [window("monthly", 55)], T)]))
        expected = json.loads(widgethost("accessibility", "--widget", "1", "--now", iso(T), "--json").stdout)
        self.expect_read_aloud(host, 1, expected, 3, "the tree of the new snapshot")
        self.expect_clean_end(host)


class Editing(LiveHostTest):
    def open_menu(self, host, window_id):
        # A hand's click: the button comes up a moment after it went down.
        point_at(window_id, 120, 70)
        SESSION.press(3)
        time.sleep(0.15)
        SESSION.release(3)
        if not x11():
            SESSION.park()  # out of the screenshots
        pyatspi = atspi()

        def shown_menu():
            for node in descendants(frame(host.pid, "Tallyfox 1"), skip_roles=()):
                try:
                    if node.getRoleName() == "menu" and node.getState().contains(pyatspi.STATE_VISIBLE):
                        return node
                except Exception:
                    continue
            return None
        if wait_until(shown_menu, 10) is None and not x11():
            self.fail("no menu after a right click\n" + host.trace())
        if wait_until(shown_menu, 0) is None:
            windows = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(host.pid)],
                                     capture_output=True, text=True).stdout.split()
            self.fail("no menu after a right click; windows on the screen: %s\n%s" % (
                [(w, host.geometry(w), host.position(w)) for w in windows], host.trace()))

    def choose(self, host, name):
        """Chooses a menu item, and waits for the menu to close (a click meant for the next menu would
        otherwise only close this one)."""
        act(self.menu_item(host, name))
        pyatspi = atspi()

        def closed():
            for node in descendants(frame(host.pid, "Tallyfox 1"), skip_roles=()):
                try:
                    if node.getRoleName() == "menu" and node.getState().contains(pyatspi.STATE_VISIBLE):
                        return False
                except Exception:
                    continue
            return True
        wait_until(closed, 5)

    def menu_item(self, host, name):
        item = find(host_application(host.pid), "menu item", name, skip_roles=())
        self.assertIsNotNone(item, "no menu item " + name)
        return item

    def click(self, window_id, node):
        x, y, width, height = extents(node)
        point_at(window_id, x + min(12, width // 2), y + height // 2)
        SESSION.press(1)
        SESSION.release(1)
        if not x11():
            SESSION.park()

    def test_the_menu_and_editor_choose_reorder_resize_and_remove_the_widget(self):
        write_atomically(snapshot_file(), three_providers(T))
        # Configured with a source the snapshot no longer lists.
        widgethost("add", "--family", "medium", "--source", "gone")
        host = self.start("--now", iso(T))
        window_id = host.window(1)
        self.assertIsNotNone(window_id, host.trace())
        unavailable = json.loads(widgethost("accessibility", "--widget", "1", "--now", iso(T), "--json").stdout)
        self.expect_read_aloud(host, 1, unavailable, 15, "the message for a source that is gone")

        self.open_menu(host, window_id)
        self.choose(host, "Edit Widget…")
        editor = wait_until(lambda: frame(host.pid, "Choose providers"), 10)
        self.assertIsNotNone(editor, "Edit Widget… opened no editor\n" + host.trace())
        pyatspi = atspi()
        listed = wait_until(lambda: [node.name for node in descendants(editor) if node.getRoleName() == "check box"], 10)
        # The stored choice first, named as the widget names what is gone, then what can be chosen.
        self.assertEqual(listed, ["Selected account unavailable", "Codex", "Claude Code · Work", "Cursor"])
        self.assertTrue(find(editor, "check box", "Selected account unavailable").getState().contains(pyatspi.STATE_CHECKED))
        editor_window = wait_until(lambda: window_named("Choose providers"), 10)
        # Choose Cursor and Codex instead, and move Cursor above Codex.
        self.click(editor_window, find(editor, "check box", "Selected account unavailable"))
        self.click(editor_window, find(editor, "check box", "Cursor"))
        self.click(editor_window, find(editor, "check box", "Codex"))
        self.assertTrue(wait_until(lambda: find(editor, "check box", "Cursor").getState().contains(pyatspi.STATE_CHECKED), 5))
        def boxes():
            try:
                return [node.name for node in descendants(editor) if node.getRoleName() == "check box"]
            except Exception:  # a line went while it was read
                return []
        for place in (2, 1):
            act(find(editor, "push button", "Move Cursor Up"))
            # The list is made anew after each move: read it until it has settled in the new order.
            self.assertTrue(wait_until(lambda: (lambda b: "Cursor" in b and b.index("Cursor") == place)(boxes()), 5),
                            boxes())
        act(find(editor, "push button", "Save"))

        placed = wait_until(lambda: (lambda sources: sources if sources != ["gone"] else None)(
            json.loads(widgethost("list", "--json").stdout)[0].get("sources")), 5)
        self.assertEqual(placed, ["cursor", "codex"])
        chosen = json.loads(widgethost("accessibility", "--widget", "1", "--now", iso(T), "--json").stdout)
        self.assertNotEqual(chosen, unavailable)
        self.expect_read_aloud(host, 1, chosen, 3, "the chosen providers in the chosen order")
        spoken = " ".join(node["label"] for node in chosen)
        self.assertLess(spoken.index("Cursor"), spoken.index("Codex"))
        self.assertNotIn("Claude", spoken)

        # The size submenu.
        self.open_menu(host, window_id)
        self.choose(host, "Large")
        self.assertEqual(wait_until(lambda: host.geometry(host.window(1)) == (364, 382), 3), True)
        self.assertEqual(json.loads(widgethost("list", "--json").stdout)[0]["family"], "systemLarge")
        large = render(os.path.join(self.scratch, "large.png"), "--widget", "1", "--now", iso(T))
        self.expect_picture(host, 1, large, 3, "the large widget")

        # Removing the last widget ends the host, cleanly.
        self.open_menu(host, window_id)
        self.choose(host, "Remove Widget")
        self.assertEqual(wait_until(lambda: host.process.poll() is not None, 10), True, host.trace())
        self.assertEqual(host.process.returncode, 0, host.trace()[-5000:])
        self.assertEqual(json.loads(widgethost("list", "--json").stdout), [])

    def test_hovering_the_clock_of_stale_data_shows_when_it_was_updated(self):
        write_atomically(snapshot_file(), three_providers(T))
        host = self.start("--now", iso(T))
        window_id = host.window(1)
        self.assertIsNotNone(window_id, host.trace())
        tree = widgethost("layout", "--widget", "1", "--now", iso(T)).stdout
        clock = re.search(r'Symbol "clock" \(([\d.]+), ([\d.]+), ([\d.]+) × ([\d.]+)\)', tree)
        self.assertIsNotNone(clock, "the medium widget shows no clock for the stale account:\n" + tree)
        x, y, width, height = (float(v) for v in clock.groups())
        self.assertIsNone(find(host_application(host.pid), "label", "Updated 15 minutes ago", skip_roles=()))
        # Two small moves over it, as a hand would make.
        cx, cy = int(x + width / 2), int(y + height / 2)
        point_at(window_id, cx - 1, cy - 1)
        time.sleep(0.1)
        point_at(window_id, cx, cy)
        before = None if x11() else SESSION.screenshot()
        # GTK 3 keeps tooltip windows out of the accessibility tree: the tooltip is a window of its own
        # on the screen (on sway, a change on the screen once the pointer rests), and the host says
        # which help it shows.
        def tooltip():
            if not x11():  # a popup surface, seen on the screen
                return SESSION.screenshot()[3] != before[3]
            shown = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(host.pid)],
                                   capture_output=True, text=True).stdout.split()
            return [w for w in shown if w != window_id and host.geometry(w) != (364, 170)]
        self.assertTrue(wait_until(tooltip, 10), "no tooltip over the clock\n" + host.trace())
        self.assertIn('widget 1 shows the help "Updated 15 minutes ago"', host.trace())
        self.expect_clean_end(host)


class Placement(LiveHostTest):
    # The drag is made with xdotool; DesktopTests.py drags on sway.
    @runner.only_on("xvfb")
    def test_a_dragged_widget_stays_where_it_was_left_next_time(self):
        write_atomically(snapshot_file(), three_providers(T))
        host = self.start("--now", iso(T))
        window_id = host.window(1)
        self.assertIsNotNone(window_id, host.trace())
        # The first place: the top of a column down the right edge of the 1280 pixels wide screen.
        self.assertEqual(wait_until(lambda: host.position(window_id) == (1280 - 24 - 364, 24), 5), True)
        # A hand's pace, once the window is there to be taken.
        self.assertTrue(wait_until(lambda: "widget 1 drew" in host.trace(), 10), host.trace())
        time.sleep(0.5)
        subprocess.run(["xdotool", "mousemove", "--window", window_id, "60", "60"], check=True)
        time.sleep(0.3)
        subprocess.run(["xdotool", "mousedown", "1"], check=True)
        time.sleep(0.5)
        for _ in range(4):
            subprocess.run(["xdotool", "mousemove_relative", "--", "-100", "50"], check=True)
            time.sleep(0.2)
        subprocess.run(["xdotool", "mouseup", "1"], check=True)
        moved = (1280 - 24 - 364 - 400, 24 + 200)
        self.assertEqual(wait_until(lambda: host.position(window_id) == moved, 5), True,
                         "the window is at %s after the drag\n%s" % (host.position(window_id), host.trace()))
        self.assertTrue(wait_until(lambda: "kept at %d,%d" % moved in host.trace(), 5), host.trace())
        self.expect_clean_end(host)

        again = self.start("--now", iso(T))
        self.assertEqual(wait_until(lambda: again.position(again.window(1)) == moved, 5), True,
                         "the widget came back at %s" % (again.position(again.window(1)),))
        self.expect_clean_end(again)


class OneInstance(LiveHostTest):
    def test_a_second_show_hands_over_and_command_line_changes_reach_the_running_host(self):
        write_atomically(snapshot_file(), three_providers(T))
        host = self.start("--now", iso(T))
        self.assertIsNotNone(host.window(1), host.trace())
        self.assertEqual(json.loads(widgethost("list", "--json").stdout)[0]["family"], "systemMedium")

        second = subprocess.run([WIDGETHOST, "show"], capture_output=True, text=True, timeout=60)
        self.assertEqual((second.returncode, second.stderr), (0, ""))
        self.assertEqual(len(widget_windows()), 1, "a second show opened windows of its own")

        self.assertEqual(widgethost("add", "--family", "small", "--source", "cursor").stdout, "2\n")
        self.assertIsNotNone(host.window(2, timeout=3), "an added widget did not appear\n" + host.trace())
        self.assertEqual(host.geometry(host.window(2)), (170, 170))
        small = json.loads(widgethost("accessibility", "--widget", "2", "--now", iso(T), "--json").stdout)
        self.expect_read_aloud(host, 2, small, 3, "the added widget")
        widgethost("edit", "2", "--source", "codex")
        edited = json.loads(widgethost("accessibility", "--widget", "2", "--now", iso(T), "--json").stdout)
        self.assertNotEqual(edited, small)
        self.expect_read_aloud(host, 2, edited, 3, "the edited widget")
        widgethost("remove", "2")
        self.assertTrue(wait_until(lambda: host.window(2, timeout=0) is None, 3), "a removed widget stayed")
        self.expect_alive(host, "after the command line changed its widgets")
        self.expect_clean_end(host)

    def test_when_no_widget_can_be_placed_show_says_so(self):
        store = os.path.join(home(), "Library", "Preferences", "com.tallyfox.widgethost.plist")
        os.makedirs(store)  # a folder where the placed widgets would be kept
        result = subprocess.run([WIDGETHOST, "show"], capture_output=True, text=True, timeout=60)
        self.assertEqual((result.returncode, result.stderr),
                         (1, "widgethost: cannot save the placed widgets in %s (a folder is in its place)\n" % store))

    def test_a_store_that_cannot_be_read_is_shown_as_far_as_it_reads_and_kept_at_the_first_write(self):
        write_atomically(snapshot_file(), three_providers(T))
        preferences = os.path.join(home(), "Library", "Preferences")
        store = os.path.join(preferences, "com.tallyfox.widgethost.plist")
        widgethost("add", "--family", "small", "--source", "cursor")
        widgethost("add", "--family", "small", "--source", "codex")
        with open(store) as kept:
            good = kept.read()
        said = lambda host: [line for line in host.trace().splitlines() if not line.startswith("widgethost trace")]

        # Widget 2 damaged: widget 1 shows, and show says why the rest cannot be read.
        write_atomically(store, good.replace("<string>codex</string>", "<integer>2</integer>"))
        host = self.start("--now", iso(T))
        self.assertIsNotNone(host.window(1), host.trace())
        self.assertTrue(wait_until(lambda: said(host), 5), host.trace())
        self.assertEqual(said(host), ["widgethost: the placed widgets at %s cannot be read (entry 2 of its list is "
                                      "not a placed widget)" % store])
        self.expect_clean_end(host)

        # Nothing readable: show places a widget of its own, numbered after those given, and keeps the
        # damaged store beside the new one.
        write_atomically(store, "garbage")
        host = self.start("--now", iso(T))
        self.assertTrue(wait_until(lambda: "widget 3 drew entry" in host.trace(), 15), host.trace())
        kept = [name for name in os.listdir(preferences) if name.startswith("com.tallyfox.widgethost.damaged-")]
        self.assertEqual(len(kept), 1, os.listdir(preferences))
        with open(os.path.join(preferences, kept[0])) as damaged:
            self.assertEqual(damaged.read(), "garbage")
        self.assertEqual(said(host), ["widgethost: the placed widgets at %s could not be read (it is not a property "
                                      "list); that file is kept as %s" % (store, os.path.join(preferences, kept[0]))])
        self.expect_clean_end(host)

    def test_without_a_display_show_says_so(self):
        environment = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        result = subprocess.run([WIDGETHOST, "show"], capture_output=True, text=True, env=environment, timeout=60)
        self.assertEqual(result.returncode, 1)
        self.assertEqual(result.stderr, "widgethost: cannot open a display (neither DISPLAY nor WAYLAND_DISPLAY "
                                        "names one that answers)\n")


class DisplayLoss(LiveHostTest):
    def test_when_the_display_goes_away_show_ends_with_one_line_and_status_one(self):
        write_atomically(snapshot_file(), three_providers(T))
        host = self.start("--now", iso(T))
        self.assertIsNotNone(host.window(1), host.trace())
        SESSION.kill_display()
        self.assertEqual(wait_until(lambda: host.process.poll() is not None, 10), True, "the host hangs")
        self.assertEqual(host.process.returncode, 1)
        lines = [line for line in host.trace().splitlines() if not line.startswith("widgethost trace")]
        self.assertEqual(lines, ["widgethost: lost the connection to the display"])


# MARK: Starting

CASES = (Drawing, SnapshotChanges, Time, Accessibility, Editing, Placement, OneInstance, DisplayLoss)


def start(options):
    global WIDGETHOST, SESSION
    WIDGETHOST = os.path.abspath(options.widgethost)
    # As tall as Xvfb's screen, so that a column of a medium, a small and a large widget fits.
    SESSION = sessions.start(options.session, height=1024)
    use(SESSION, WIDGETHOST)
    return SESSION


def main():
    options = runner.options(["xvfb", "sway"], default="xvfb")
    return runner.run(__file__, CASES, options, lambda: start(options))


if __name__ == "__main__":
    sys.exit(main())
