"""The widget host under test: `widgethost` commands, a running `widgethost show` and where its widgets
are, and the test case the live tests share (a clean store and snapshot folder, hosts ended after
each test, pictures and readings waited for).

`use(session, program)` says which session and which widgethost the functions here work with."""
import configparser
import os
import re
import shutil
import signal
import subprocess
import tempfile
import time
import unittest

from .accessibility import frame, read_aloud
from .images import Picture, crop, difference, png_image, read_netpbm, same_picture
from .snapshots import container, home
from .waiting import wait_until

WIDGETHOST = None  # the program under test
SESSION = None  # the desktop it runs on (sessions.start)


def use(session, program=None):
    """The session the host runs on and, when given, the widgethost program under test."""
    global SESSION, WIDGETHOST
    SESSION = session
    if program is not None:
        WIDGETHOST = os.path.abspath(program)


def screenshot(window_id):
    """What widget window `window_id` shows: on X11 its own pixels, on Wayland the screen where the
    host keeps it (a `WidgetPlace`)."""
    if isinstance(window_id, WidgetPlace):
        x, y, width, height = window_id.rectangle()
        return crop(SESSION.screenshot(), x, y, width, height)
    xwd = subprocess.run(["xwd", "-silent", "-id", str(window_id)], capture_output=True, check=True).stdout
    return read_netpbm(subprocess.run(["xwdtopnm"], input=xwd, capture_output=True, check=True).stdout)


class WidgetPlace:
    """A widget on a Wayland desktop, where there are no window ids: its place and size come from the
    host's trace ("widget N is kept at X,Y on OUTPUT", "widget N is WxH at scale S")."""

    def __init__(self, host, number):
        self.host, self.number = host, number

    def place(self):
        """The last place the host kept (it says so after a move), else the default column down the
        right edge of the widgets it has drawn."""
        found = re.findall(r"^widgethost trace [\d.]+: widget %d is kept at (-?\d+),(-?\d+)" % self.number,
                           self.host.trace(), re.M)
        if found:
            return int(found[-1][0]), int(found[-1][1])
        y = 24
        for other in range(1, self.number):
            size = self.size(other)
            if size is None:
                return None
            y += size[1] + 12
        size = self.size()
        return (SESSION.width - 24 - size[0], y) if size else None

    def size(self, number=None):
        found = re.findall(r"^widgethost trace [\d.]+: widget %d is (\d+)x(\d+) at scale" % (number or self.number),
                           self.host.trace(), re.M)
        return (int(found[-1][0]), int(found[-1][1])) if found else None

    def rectangle(self):
        return (*(self.place() or (0, 0)), *(self.size() or (0, 0)))

    def __str__(self):
        return "widget %d" % self.number


def x11():
    return SESSION.kind in ("xvfb", "openbox")


def set_appearance(dark, high_contrast=False):
    """The desktop's settings as GNOME keeps them, in the keyfile GSettings reads in this session; the
    file's other settings (a desktop's own, such as GNOME Shell's enabled extensions) stay."""
    folder = os.path.join(os.environ["XDG_CONFIG_HOME"], "glib-2.0", "settings")
    os.makedirs(folder, exist_ok=True)
    path = os.path.join(folder, "keyfile")
    settings = configparser.ConfigParser(interpolation=None)
    settings.optionxform = str
    settings.read(path)
    for section, key, value in (("org/gnome/desktop/interface", "color-scheme", "'prefer-dark'" if dark else "'default'"),
                                ("org/gnome/desktop/a11y/interface", "high-contrast", "true" if high_contrast else "false")):
        if not settings.has_section(section):
            settings.add_section(section)
        settings.set(section, key, value)
    with tempfile.NamedTemporaryFile("w", dir=folder, delete=False) as out:
        settings.write(out, space_around_delimiters=False)
    os.replace(out.name, path)


def widgethost(*arguments, check=True):
    result = subprocess.run([WIDGETHOST, *arguments], capture_output=True, text=True, timeout=120)
    if check and result.returncode != 0:
        raise AssertionError("widgethost %s failed (%d): %s" % (" ".join(arguments), result.returncode, result.stderr))
    return result


def render(path, *arguments):
    widgethost("render", "--scale", "1", "--output", path, *arguments)
    return Picture(png_image(path))


class Host:
    """A running `widgethost show`, its trace on standard error."""

    def __init__(self, *arguments, environment=None, preexec=None):
        self.log = tempfile.NamedTemporaryFile(prefix="widgethost-", suffix=".log", delete=False)
        environment = dict(os.environ, TALLYFOX_WIDGETHOST_TRACE="1", **(environment or {}))
        self.process = subprocess.Popen([WIDGETHOST, "show", *arguments], stdout=subprocess.DEVNULL,
                                        stderr=self.log, env=environment, preexec_fn=preexec)

    @property
    def pid(self):
        return self.process.pid

    def alive(self):
        return self.process.poll() is None

    def trace(self):
        with open(self.log.name, errors="replace") as log:
            return log.read()

    def window(self, number, timeout=15):
        """The X window of placed widget `number`, once it is on the screen (on Wayland, its place once
        the host says where it is and a screen reader finds its window)."""
        if not x11():
            def placed():
                place = WidgetPlace(self, number)
                return place if place.place() and place.size() and frame(self.pid, "Tallyfox %d" % number) else None
            return wait_until(placed, timeout)

        def search():
            found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Tallyfox %d$" % number],
                                   capture_output=True, text=True)
            return found.stdout.split()[0] if found.returncode == 0 and found.stdout.split() else None
        return wait_until(search, timeout)

    def position(self, window_id):
        if isinstance(window_id, WidgetPlace):
            return window_id.place()
        shown = subprocess.run(["xdotool", "getwindowgeometry", window_id], capture_output=True, text=True).stdout
        place = re.search(r"Position: (-?\d+),(-?\d+)", shown)
        return (int(place.group(1)), int(place.group(2))) if place else None

    def geometry(self, window_id):
        if isinstance(window_id, WidgetPlace):
            return window_id.size()
        shown = subprocess.run(["xdotool", "getwindowgeometry", window_id], capture_output=True, text=True).stdout
        size = re.search(r"Geometry: (\d+)x(\d+)", shown)
        return (int(size.group(1)), int(size.group(2))) if size else None

    def quit(self, timeout=30):
        if self.alive():
            self.process.send_signal(signal.SIGTERM)
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
            return None

    def close(self):
        self.quit(5)
        os.unlink(self.log.name)


class LiveHostTest(unittest.TestCase):
    def setUp(self):
        for folder in (container(), os.path.join(home(), "Library", "Preferences")):
            shutil.rmtree(folder, ignore_errors=True)
            os.makedirs(folder)
        set_appearance(dark=False)
        self.scratch = tempfile.mkdtemp(prefix="renders-")
        self.hosts = []

    def tearDown(self):
        for host in self.hosts:
            if host.alive():
                host.close()
        shutil.rmtree(self.scratch, ignore_errors=True)

    def start(self, *arguments, environment=None, preexec=None):
        host = Host(*arguments, environment=environment, preexec=preexec)
        self.hosts.append(host)
        return host

    def expect_picture(self, host, number, expected, timeout, what):
        """Waits until widget `number`'s window shows `expected`; returns the seconds it took."""
        started = time.monotonic()
        window_id = host.window(number)
        self.assertIsNotNone(window_id, "no window for widget %d (%s)\n%s" % (number, what, host.trace()))
        matched = wait_until(lambda: same_picture(screenshot(window_id), expected), timeout, 0.02)
        if not matched:
            shot = screenshot(window_id)
            keep = os.environ.get("TALLYFOX_LIVE_TEST_KEEP")
            if keep:
                # For a look at what went wrong: the window as it was, and what it should have shown.
                name = "widget-%d-%s" % (number, re.sub(r"\W+", "-", what))
                with open(os.path.join(keep, name + "-window.ppm"), "wb") as out:
                    out.write(b"P6\n%d %d\n255\n" % shot[:2] + shot[3])
                with open(os.path.join(keep, name + "-expected.ppm"), "wb") as out:
                    out.write(b"P6\n%d %d\n255\n" % (expected.width, expected.height) + expected.rgb)
            off, compared, worst = difference(shot, expected) or (shot[:2], (expected.width, expected.height), "-")
            self.fail("widget %d does not show %s: %s of %s pixels differ (largest difference %s)\n%s"
                      % (number, what, off, compared, worst, host.trace()[-3000:]))
        return time.monotonic() - started

    def expect_read_aloud(self, host, number, expected, timeout, what):
        title = "Tallyfox %d" % number
        read = wait_until(lambda: (lambda r: r if r == expected else None)(read_aloud(host.pid, title)), timeout, 0.1)
        self.assertEqual(read_aloud(host.pid, title) if read is None else read, expected, what)

    def expect_alive(self, host, what):
        self.assertTrue(host.alive(), "the host ended %s\n%s" % (what, host.trace()[-3000:]))

    def expect_clean_end(self, host):
        status = host.quit()
        self.assertEqual(status, 0, "the host did not end cleanly\n" + host.trace()[-5000:])
