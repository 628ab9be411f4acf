"""Desktop sessions for the live host's tests: a real compositor or window manager of its own, headless,
with a private D-Bus session, a temporary HOME and runtime folder, run by an unprivileged user.

A test script calls `launch(...)` first: it checks the tools, makes the folders, and starts the script
again inside `dbus-run-session` as that user (CI runs as root, and the compositors refuse or misbehave
as root), so that everything the test starts, compositor and clients alike, shares that user and that
bus. Inside, `start(kind)` starts the session and gives an object that takes screenshots, lists
windows and drives input for that kind:

  sway     sway 1.7, headless backend, pixman renderer, one 1280x720 output HEADLESS-1 in BACKGROUND;
           grim for screenshots, swaymsg for the tree and outputs, a virtual pointer (VirtualPointer.py:
           the headless seat has none, and `swaymsg seat - cursor` reaches no client)
  kwin     kwin_wayland 5.27 --virtual, 1280x720, a background-layer client painting BACKGROUND; the
           ScreenShot2 D-Bus interface for screenshots, a KWin script for the windows' states, KWin's
           fake input for a pointer
  openbox  Xvfb 1280x720 with openbox (restartable), a desktop window in BACKGROUND, xcompmgr on
           request; import for screenshots, xprop, xwininfo and xdotool
  xvfb     Xvfb 1280x1024 and nothing else

Every session has move(x, y), press(button), release(button) and park() for its pointer, in screen
pixels, and screenshot() of its (first) output.

Images are (width, height, 3, RGB bytes), as LiveHostTests.py compares them.
"""
import json
import os
import re
import select
import shutil
import subprocess
import sys
import tempfile
import time

INSIDE = "TALLYFOX_DESKTOP_SESSION_INSIDE"
UNPRIVILEGED = 65534  # nobody, nogroup
BACKGROUND = (0x33, 0x66, 0x99)
BACKGROUND_HEX = "#336699"
PROBE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "DesktopProbe.py")
VIRTUAL_POINTER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "VirtualPointer.py")
SKIPPED = 77  # the exit status CTest is told means "skipped"

TOOLS = {
    "sway": ["sway", "swaymsg", "grim"],
    "kwin": ["kwin_wayland", "qdbus"],
    "openbox": ["Xvfb", "openbox", "xcompmgr", "xprop", "xwininfo", "xdotool", "xsetroot", "import"],
    "xvfb": ["Xvfb", "xdotool", "xwd", "xwdtopnm"],
}
COMMON_TOOLS = ["dbus-run-session", "setpriv", "pngtopam"]
# The desktop's own programs: only without these is a test skipped rather than failed.
DESKTOPS = {"sway": "sway", "kwin": "kwin_wayland", "openbox": "openbox", "xvfb": "Xvfb"}
MODULES = {"pyatspi": "python3-pyatspi", "gi": "python3-gi", "cairo": "python3-gi-cairo"}


def wait_until(condition, timeout, interval=0.05):
    """Polls `condition` until it gives something (not None, False or an empty list) or `timeout`
    seconds pass; returns the last value."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if (value is not None and value is not False and value != []) or time.monotonic() > deadline:
            return value
        time.sleep(interval)


# MARK: Starting again as the session's user

def missing_tools(kind):
    missing = [tool for tool in COMMON_TOOLS + TOOLS[kind] if shutil.which(tool) is None]
    for module, package in MODULES.items():
        if subprocess.run(["/usr/bin/python3", "-c", "import " + module], capture_output=True).returncode != 0:
            missing.append("%s for /usr/bin/python3 (%s)" % (module, package))
    if kind in ("sway", "kwin") and subprocess.run(
            ["/usr/bin/python3", "-c", "import gi; gi.require_version('GtkLayerShell', '0.1')"],
            capture_output=True).returncode != 0:
        missing.append("GtkLayerShell 0.1 for /usr/bin/python3 (gir1.2-gtklayershell-0.1)")
    return missing


def unreadable(paths, as_user):
    """The first of `paths` the session's user cannot read (programs and folders: run or enter), and
    the first folder or file on its way that stops it."""
    prefix = ["setpriv", "--reuid=%d" % UNPRIVILEGED, "--regid=%d" % UNPRIVILEGED, "--clear-groups"] if as_user else []

    def allowed(path, test):
        return subprocess.run(prefix + ["test", test, path]).returncode == 0
    for path in paths:
        test = "-x" if os.path.isdir(path) or os.access(path, os.X_OK) else "-r"
        if allowed(path, test):
            continue
        parts = path.split(os.sep)
        for length in range(2, len(parts)):
            folder = os.sep.join(parts[:length])
            if not allowed(folder, "-x"):
                return path, folder
        return path, path
    return None


def launch(script, arguments, kind, readable=()):
    """Runs `script` with `arguments` again inside its own session of `kind`: returns its exit status,
    SKIPPED when the desktop itself is not installed, or 1 when another tool is missing (with one line
    saying which)."""
    missing = missing_tools(kind)
    if missing:
        skipped = shutil.which(DESKTOPS[kind]) is None
        print("%s: %s%s missing (scripts/setup installs them)" % (
            os.path.basename(script), "skipped: " if skipped else "", ", ".join(missing)), file=sys.stderr)
        return SKIPPED if skipped else 1
    as_root = os.geteuid() == 0
    stop = unreadable([os.path.abspath(p) for p in (script, PROBE, *readable)], as_root)
    if stop:
        print("%s: %s is not readable by uid %d (blocked at %s): make the build tree readable (chmod o+rX)"
              % (os.path.basename(script), stop[0], UNPRIVILEGED, stop[1]), file=sys.stderr)
        return 1
    root = tempfile.mkdtemp(prefix="tallyfox-%s-" % kind)
    try:
        environment = {k: v for k, v in os.environ.items()
                       if not k.startswith(("XDG_", "WAYLAND_", "SWAYSOCK", "I3SOCK", "DBUS_", "AT_SPI", "GDK_",
                                            "GSK_", "GTK_", "ADW_", "QT_", "KWIN_", "WLR_", "LANGUAGE", "LC_"))
                       and k not in ("DISPLAY", "NO_AT_BRIDGE", "LANG")}
        for name, folder in (("HOME", "home"), ("XDG_RUNTIME_DIR", "runtime"), ("XDG_CACHE_HOME", "cache"),
                             ("XDG_CONFIG_HOME", "config"), ("XDG_DATA_HOME", "data"), ("TMPDIR", "tmp")):
            path = os.path.join(root, folder)
            os.makedirs(path, mode=0o700)
            environment[name] = path
        if as_root:
            for folder in [root] + [os.path.join(root, f) for f in os.listdir(root)]:
                os.chown(folder, UNPRIVILEGED, UNPRIVILEGED)
            environment["USER"] = environment["LOGNAME"] = "nobody"
        # In sanitizer builds the leak checker lists the suppressions it used (system libraries only)
        # on standard error, which the tests read.
        if "print_suppressions" not in environment.get("LSAN_OPTIONS", ""):
            environment["LSAN_OPTIONS"] = ":".join(filter(None, [environment.get("LSAN_OPTIONS"), "print_suppressions=0"]))
        environment.update({INSIDE: kind, "GSETTINGS_BACKEND": "keyfile", "LANG": "C.UTF-8", "TZ": "UTC",
                            "TALLYFOX_SESSION_ROOT": root})
        command = ["dbus-run-session", "--", "/usr/bin/python3", os.path.abspath(script), *arguments]
        if as_root:
            command = ["setpriv", "--reuid=%d" % UNPRIVILEGED, "--regid=%d" % UNPRIVILEGED, "--clear-groups"] + command
        return subprocess.run(command, env=environment).returncode
    finally:
        shutil.rmtree(root, ignore_errors=True)


def inside():
    """The session kind when this process runs inside `launch`, else None."""
    return os.environ.get(INSIDE)


def run_tests(module, names):
    """Runs the unittest `names` (Class.method) of `module`: the exit status for CTest, SKIPPED when
    every test that ran was skipped (what this desktop cannot do headless, said by the test)."""
    import unittest
    loader = unittest.TestLoader()
    suite = unittest.TestSuite()
    for name in names:
        suite.addTests(loader.loadTestsFromName(name, module))
    result = unittest.TextTestRunner(verbosity=2).run(suite)
    if result.wasSuccessful() and result.testsRun and len(result.skipped) == result.testsRun:
        return SKIPPED
    return 0 if result.wasSuccessful() else 1


# MARK: Images

def read_netpbm(data):
    """(width, height, channels, pixels) of a binary PPM (P6) or PAM (P7)."""
    if data.startswith(b"P7"):
        end = data.index(b"ENDHDR\n") + len(b"ENDHDR\n")
        fields = dict(line.split(b" ", 1) for line in data[3:end].split(b"\n") if b" " in line)
        return int(fields[b"WIDTH"]), int(fields[b"HEIGHT"]), int(fields[b"DEPTH"]), data[end:]
    magic, width, height, maxval, pixels = data.split(maxsplit=4)
    assert magic == b"P6" and maxval == b"255", "not an 8-bit PPM"
    return int(width), int(height), 3, pixels[:int(width) * int(height) * 3]


def crop(image, x, y, width, height):
    """The part of an RGB image at x, y (clipped to the image)."""
    full_width, full_height, _, pixels = image
    x0, y0 = max(0, x), max(0, y)
    x1, y1 = min(full_width, x + width), min(full_height, y + height)
    rows = [pixels[(row * full_width + x0) * 3:(row * full_width + x1) * 3] for row in range(y0, y1)]
    return max(0, x1 - x0), max(0, y1 - y0), 3, b"".join(rows)


def pixel(image, x, y):
    width, _, _, pixels = image
    i = (y * width + x) * 3
    return tuple(pixels[i:i + 3])


def near(colour, expected, tolerance=8):
    return all(abs(a - b) <= tolerance for a, b in zip(colour, expected))


def save_ppm(image, path):
    with open(path, "wb") as out:
        out.write(b"P6\n%d %d\n255\n" % image[:2] + image[3])


# MARK: Clients

class Client:
    """A process started in the session, its standard output and error in one log."""

    def __init__(self, command, environment=None):
        self.lasting = False
        self.log = tempfile.NamedTemporaryFile(prefix="client-", suffix=".log", delete=False)
        self.process = subprocess.Popen(command, stdout=self.log, stderr=subprocess.STDOUT,
                                        env=dict(os.environ, **(environment or {})))

    def output(self):
        with open(self.log.name, errors="replace") as log:
            return log.read()

    def wait_for(self, text, timeout=15):
        return wait_until(lambda: text in self.output() or self.process.poll() is not None, timeout) and \
            text in self.output()

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        try:
            os.unlink(self.log.name)
        except OSError:
            pass


# MARK: Sessions

class Session:
    kind = None
    width, height = 1280, 720
    output = None  # the output widgets open on first, where outputs have names

    def __init__(self):
        self.root = os.environ.get("TALLYFOX_SESSION_ROOT") or tempfile.mkdtemp()
        self.processes = []
        self.clients = []
        self.started_in = None

    def start(self):
        raise NotImplementedError

    def stop(self):
        for client in self.clients:
            client.stop()
        for process in reversed(self.processes):
            if process.poll() is None:
                process.terminate()
                try:
                    process.wait(10)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()

    def stop_clients(self):
        """Ends the clients a test started (the session's own, like KWin's wallpaper, stay)."""
        for client in [c for c in self.clients if not c.lasting]:
            client.stop()
            self.clients.remove(client)

    def spawn(self, command, log_name, environment=None):
        log = open(os.path.join(self.root, log_name), "wb")
        process = subprocess.Popen(command, stdout=log, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                                   env=dict(os.environ, **(environment or {})))
        self.processes.append(process)
        return process

    def log(self, log_name):
        try:
            with open(os.path.join(self.root, log_name), errors="replace") as log:
                return log.read()
        except OSError:
            return ""

    def client(self, command, environment=None):
        client = Client(command, environment)
        self.clients.append(client)
        return client

    def probe(self, *arguments, lasting=False):
        """One of DesktopProbe.py's clients, once it says it is on the screen."""
        client = self.client(["/usr/bin/python3", PROBE, *arguments])
        client.lasting = lasting
        if not client.wait_for("probe: ready"):
            raise AssertionError("the probe %s did not show:\n%s" % (" ".join(arguments), client.output()))
        return client

    def screenshot(self):
        raise NotImplementedError

    def wait_for_background(self, timeout=20):
        """Until the corner of the screen shows the background colour (the wallpaper is drawn)."""
        if not wait_until(lambda: near(pixel(self.screenshot(), 2, 2), BACKGROUND, 2), timeout, 0.1):
            raise RuntimeError("%s: the background never showed; the screen's corner is %s"
                               % (self.kind, pixel(self.screenshot(), 2, 2)))

    def kill_display(self):
        """The display server ends at once, as when it crashes (the session is over after this)."""
        self.compositor.kill()
        self.compositor.wait(10)

    # Input where the session offers it; tests that need a pointer check `has_pointer` first.
    has_pointer = False
    pointer_note = ""


class OutputsFixed(Exception):
    """The session cannot take an output away."""


class Sway(Session):
    kind = "sway"
    output = "HEADLESS-1"
    # The headless backend has no input device: its seat offers no pointer, and `swaymsg seat -
    # cursor` moves a cursor no client hears. A virtual pointer (VirtualPointer.py) gives it one.
    pointer_note = "no virtual pointer"

    def start(self):
        started = time.monotonic()
        config = os.path.join(self.root, "sway.conf")
        with open(config, "w") as out:
            out.write("output HEADLESS-1 resolution %dx%d position 0 0 bg %s solid_color\n"
                      "xwayland disable\ndefault_border none\n" % (self.width, self.height, BACKGROUND_HEX))
        self.compositor = self.spawn(["sway", "-c", config], "sway.log", {
            "WLR_BACKENDS": "headless", "WLR_RENDERER": "pixman", "WLR_LIBINPUT_NO_DEVICES": "1",
            "WLR_HEADLESS_OUTPUTS": "1"})
        runtime = os.environ["XDG_RUNTIME_DIR"]
        socket = wait_until(lambda: [f for f in os.listdir(runtime) if f.startswith("sway-ipc.")] or
                            self.compositor.poll() is not None, 20)
        if not isinstance(socket, list):
            raise RuntimeError("sway did not start:\n" + self.log("sway.log")[-3000:])
        os.environ["SWAYSOCK"] = os.path.join(runtime, socket[0])
        display = wait_until(lambda: [f for f in os.listdir(runtime) if re.fullmatch(r"wayland-\d+", f)], 10)
        os.environ["WAYLAND_DISPLAY"] = display[0]
        os.environ["GDK_BACKEND"] = "wayland"
        wait_until(lambda: self.swaymsg("-t", "get_outputs", check=False) is not None, 10)
        self.start_pointer()
        self.wait_for_background()
        self.started_in = time.monotonic() - started

    def swaymsg(self, *arguments, check=True):
        result = subprocess.run(["swaymsg", "-r", *arguments], capture_output=True, text=True, timeout=20)
        if result.returncode != 0:
            if check:
                raise AssertionError("swaymsg %s: %s%s" % (" ".join(arguments), result.stdout, result.stderr))
            return None
        return json.loads(result.stdout) if result.stdout.strip() else None

    def command(self, text):
        replies = self.swaymsg(text)
        if not all(reply.get("success") for reply in replies):
            raise AssertionError("swaymsg %s: %s" % (text, replies))

    def tree(self):
        return self.swaymsg("-t", "get_tree")

    def toplevels(self):
        """The names of the windows in the tree (a layer surface is never one)."""
        names = []

        def walk(node):
            if node.get("type") in ("con", "floating_con") and (node.get("pid") or node.get("app_id")):
                names.append(node.get("name"))
            for child in node.get("nodes", []) + node.get("floating_nodes", []):
                walk(child)
        walk(self.tree())
        return names

    def outputs(self):
        return {o["name"]: o for o in self.swaymsg("-t", "get_outputs")}

    def add_output(self):
        """A second output, HEADLESS-2 (1280x720, right of the first); gives its name."""
        before = set(self.outputs())
        self.command("create_output")
        added = wait_until(lambda: sorted(set(self.outputs()) - before), 5)
        name = added[0]
        self.command("output %s resolution %dx%d position %d 0 bg %s solid_color"
                     % (name, self.width, self.height, self.width, BACKGROUND_HEX))
        return name

    def disable_output(self, name):
        # sway 1.7 has no `output NAME unplug`; a disabled output's wl_output goes from the registry and
        # its layer surfaces are closed, as when a screen is unplugged.
        self.command("output %s disable" % name)
        if not wait_until(lambda: not self.outputs()[name].get("active"), 3):
            raise OutputsFixed("sway 1.7's headless backend cannot disable an output (\"Failed to commit output "
                               "%s\"): an output that goes cannot be tested here" % name)

    def enable_output(self, name):
        self.command("output %s enable" % name)

    def start_pointer(self, attempts=1):
        """A virtual pointer (VirtualPointer.py): the headless seat has no pointer of its own;
        `attempts` tries, a second apart."""
        for attempt in range(attempts):
            self.pointer = subprocess.Popen(["/usr/bin/python3", VIRTUAL_POINTER], stdin=subprocess.PIPE,
                                            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
            self.processes.append(self.pointer)
            if self.pointer.stdout.readline().strip() == "ready":
                break
            self.pointer_note = "no virtual pointer: " + self.pointer.stderr.read().strip()
            self.pointer.wait()
            if attempt + 1 == attempts:
                return
            time.sleep(1)
        self.has_pointer = True
        self.pointer_command("extent %d %d" % (self.width, self.height))
        self.park()

    def park(self):
        """The pointer to the output's bottom right corner, out of the pictures."""
        self.move(self.width - 1, self.height - 1)

    def pointer_command(self, text):
        self.pointer.stdin.write(text + "\n")
        self.pointer.stdin.flush()
        if self.pointer.stdout.readline().strip() != "ok":
            raise AssertionError("the virtual pointer did not take " + text)

    def move(self, x, y):
        self.pointer_command("move %d %d" % (x, y))

    def press(self, button):
        self.pointer_command("press %d" % button)

    def release(self, button):
        self.pointer_command("release %d" % button)

    def screenshot(self, output=None):
        shot = subprocess.run(["grim", "-t", "ppm", "-o", output or self.output, "-"], capture_output=True,
                              timeout=30)
        if shot.returncode != 0:
            raise AssertionError("grim: " + shot.stderr.decode(errors="replace"))
        return read_netpbm(shot.stdout)

    def open_window(self, title="Covering window", fill="c03020"):
        """An ordinary window; sway tiles it over the whole output."""
        return self.probe("window", title, fill)


class KWin(Session):
    kind = "kwin"
    output = "Virtual-0"
    # kwin_wayland --virtual has no input device; VirtualPointer.py gives it one through fake input.
    pointer_note = "no fake input pointer"
    start_pointer, pointer_command, park = Sway.start_pointer, Sway.pointer_command, Sway.park
    move, press, release = Sway.move, Sway.press, Sway.release

    def start(self):
        started = time.monotonic()
        folder = os.path.join(self.root, "kwin")
        os.makedirs(folder, exist_ok=True)
        # The installed binary carries a file capability that fails with EPERM in a container; a copy
        # has none. The name stays: the QPA plug-in checks it.
        binary = os.path.join(folder, "kwin_wayland")
        shutil.copy(shutil.which("kwin_wayland"), binary)
        self.compositor = self.spawn([binary, "--virtual", "--width", str(self.width), "--height", str(self.height),
                                      "--socket", "wayland-tallyfox", "--no-lockscreen"], "kwin.log", {
            # Fake input (the tests' pointer) is otherwise only for programs a desktop file grants it.
            "KWIN_COMPOSE": "O2", "KWIN_SCREENSHOT_NO_PERMISSION_CHECKS": "1", "KWIN_WAYLAND_NO_PERMISSION_CHECKS": "1",
            "QT_QPA_PLATFORM": "wayland",
            "QT_LOGGING_RULES": "kwin_scripting.debug=true"})
        runtime = os.environ["XDG_RUNTIME_DIR"]
        if not wait_until(lambda: os.path.exists(os.path.join(runtime, "wayland-tallyfox")) or
                          self.compositor.poll() is not None, 30) or self.compositor.poll() is not None:
            raise RuntimeError("kwin_wayland did not start:\n" + self.log("kwin.log")[-3000:])
        os.environ["WAYLAND_DISPLAY"] = "wayland-tallyfox"
        os.environ["GDK_BACKEND"] = "wayland"
        if not wait_until(lambda: subprocess.run(["qdbus", "org.kde.KWin", "/KWin"], capture_output=True,
                                                 timeout=10).returncode == 0, 60, 0.2):
            raise RuntimeError("kwin_wayland never answered on D-Bus:\n" + self.log("kwin.log")[-3000:])
        self.scripts = 0
        self.start_pointer(attempts=3)
        # Without Plasma nothing draws a wallpaper.
        self.probe("wallpaper", BACKGROUND_HEX[1:], lasting=True)
        self.wait_for_background()
        self.started_in = time.monotonic() - started

    def screenshot(self):
        import gi
        gi.require_version("Gio", "2.0")
        from gi.repository import Gio, GLib
        bus = Gio.bus_get_sync(Gio.BusType.SESSION)
        read, write = os.pipe()
        try:
            fds = Gio.UnixFDList.new_from_array([write])  # takes the descriptor
            reply, _ = bus.call_with_unix_fd_list_sync(
                "org.kde.KWin", "/org/kde/KWin/ScreenShot2", "org.kde.KWin.ScreenShot2", "CaptureWorkspace",
                GLib.Variant("(a{sv}h)", ({"native-resolution": GLib.Variant("b", True)}, 0)),
                GLib.VariantType("(a{sv})"), Gio.DBusCallFlags.NONE, 20000, fds, None)
            meta = reply.unpack()[0]
            width, height, stride = meta["width"], meta["height"], meta["stride"]
            need = stride * height
            data = bytearray()
            while len(data) < need:
                ready, _, _ = select.select([read], [], [], 20)
                chunk = os.read(read, need - len(data)) if ready else b""
                if not chunk:
                    raise AssertionError("KWin's screenshot ended after %d of %d bytes" % (len(data), need))
                data += chunk
        finally:
            os.close(read)
        # ARGB32 in the machine's order: B, G, R, A in memory.
        rgb = bytearray(width * height * 3)
        for row in range(height):
            line = data[row * stride:row * stride + width * 4]
            out = row * width * 3
            rgb[out:out + width * 3:3] = line[2::4]
            rgb[out + 1:out + width * 3:3] = line[1::4]
            rgb[out + 2:out + width * 3:3] = line[0::4]
        return width, height, 3, bytes(rgb)

    def windows(self):
        """What a KWin script sees of each window: caption, keepBelow, skipTaskbar, skipSwitcher,
        skipPager, onAllDesktops, layer (1 is the layer below normal windows), resourceClass and the
        frame geometry as x, y, width, height."""
        self.scripts += 1
        marker = "tallyfox-windows-%d" % self.scripts
        path = os.path.join(self.root, marker + ".js")
        with open(path, "w") as out:
            out.write("""
var list = workspace.clientList();
for (var i = 0; i < list.length; i++) {
  var w = list[i], g = w.frameGeometry;
  print("%(m)s " + JSON.stringify({caption: String(w.caption), keepBelow: w.keepBelow, skipTaskbar: w.skipTaskbar,
    skipSwitcher: w.skipSwitcher, skipPager: w.skipPager, onAllDesktops: w.onAllDesktops, layer: w.layer,
    resourceClass: String(w.resourceClass), resourceName: String(w.resourceName), pid: w.pid,
    x: g.x, y: g.y, width: g.width, height: g.height}));
}
print("%(m)s end");
""" % {"m": marker})
        subprocess.run(["qdbus", "org.kde.KWin", "/Scripting", "org.kde.kwin.Scripting.loadScript", path, marker],
                       capture_output=True, check=True, timeout=20)
        subprocess.run(["qdbus", "org.kde.KWin", "/Scripting", "org.kde.kwin.Scripting.start"],
                       capture_output=True, check=True, timeout=20)
        wait_until(lambda: marker + " end" in self.log("kwin.log"), 10)
        subprocess.run(["qdbus", "org.kde.KWin", "/Scripting", "org.kde.kwin.Scripting.unloadScript", marker],
                       capture_output=True, timeout=20)
        found = []
        for line in self.log("kwin.log").splitlines():
            start = line.find(marker + " {")
            if start >= 0:
                found.append(json.loads(line[start + len(marker) + 1:]))
        return found


class X11(Session):
    """Xvfb on a display it picks itself; with `window_manager`, openbox and a solid root window."""
    kind = "openbox"

    def __init__(self, window_manager=True, width=1280, height=720):
        super().__init__()
        self.window_manager = window_manager
        self.width, self.height = width, height
        self.compositor = None
        self.has_pointer = True
        if not window_manager:
            self.kind = "xvfb"

    def start(self):
        started = time.monotonic()
        read, write = os.pipe()
        self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0",
                                      "%dx%dx24" % (self.width, self.height), "-nolisten", "tcp", "-noreset"],
                                     pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.processes.append(self.xvfb)
        os.close(write)
        # The number comes with its line feed, maybe in two writes; the pipe stays open until Xvfb
        # ends, since a server that cannot write there gives up.
        self.pipe = read
        number = b""
        deadline = time.monotonic() + 30
        while not number.endswith(b"\n") and time.monotonic() < deadline:
            ready, _, _ = select.select([read], [], [], max(0, deadline - time.monotonic()))
            chunk = os.read(read, 32) if ready else b""
            if not chunk:
                break
            number += chunk
        if not number.strip():
            raise RuntimeError("Xvfb did not report its display within 30 seconds")
        self.display = ":" + number.decode().strip()
        os.environ["DISPLAY"] = self.display
        os.environ["GDK_BACKEND"] = "x11"
        if self.window_manager:
            subprocess.run(["xsetroot", "-solid", BACKGROUND_HEX], check=True, timeout=20)
            self.openbox = self.spawn(["openbox"], "openbox.log")
            if not wait_until(self.window_manager_window, 20):
                raise RuntimeError("openbox did not start:\n" + self.log("openbox.log"))
            self.probe("wallpaper", BACKGROUND_HEX[1:], lasting=True)
            self.wait_for_background()
        self.started_in = time.monotonic() - started

    def kill_display(self):
        self.xvfb.kill()
        self.xvfb.wait(10)

    def stop(self):
        super().stop()
        if getattr(self, "pipe", None) is not None:
            os.close(self.pipe)
            self.pipe = None

    def window_manager_window(self):
        shown = subprocess.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], capture_output=True, text=True).stdout
        found = re.search(r"window id # (0x[0-9a-f]+)", shown)
        return found.group(1) if found else None

    def restart_window_manager(self):
        # openbox starts itself again in the same process and may get the same check window id: what
        # tells that it is back is what it prints at each start, and then its check window.
        before = len(self.log("openbox.log"))
        subprocess.run(["openbox", "--restart"], check=True, timeout=20)
        wait_until(lambda: len(self.log("openbox.log")) > before, 3)
        time.sleep(0.3)
        if not wait_until(self.window_manager_window, 20):
            raise AssertionError("openbox did not come back after --restart:\n" + self.log("openbox.log"))

    def start_compositor(self):
        self.compositor = self.spawn(["xcompmgr"], "xcompmgr.log")
        time.sleep(0.5)  # it owns _NET_WM_CM_S0 at once; clients hear of it through the selection

    def stop_compositor(self):
        if self.compositor is not None and self.compositor.poll() is None:
            self.compositor.terminate()
            self.compositor.wait(10)
        self.compositor = None
        time.sleep(0.5)

    def screenshot(self):
        # `import` photographs the screen as shown, override-redirect menus included.
        shot = subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:-"], capture_output=True, timeout=30)
        if shot.returncode != 0:
            raise AssertionError("import: " + shot.stderr.decode(errors="replace"))
        return read_netpbm(shot.stdout)

    def search(self, name):
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", name], capture_output=True, text=True)
        return found.stdout.split()

    def geometry(self, window_id):
        """x, y, width, height of a window on the screen (its outer frame where a manager frames it)."""
        shown = subprocess.run(["xwininfo", "-id", str(window_id)], capture_output=True, text=True).stdout
        values = {key: int(value) for key, value in re.findall(r"(Absolute upper-left [XY]|Width|Height):\s+(-?\d+)",
                                                                shown)}
        if len(values) < 4:
            return None
        return (values["Absolute upper-left X"], values["Absolute upper-left Y"], values["Width"], values["Height"])

    def depth(self, window_id):
        shown = subprocess.run(["xwininfo", "-id", str(window_id)], capture_output=True, text=True).stdout
        found = re.search(r"Depth:\s+(\d+)", shown)
        return int(found.group(1)) if found else None

    def shaped(self, window_id):
        """Whether the window has a bounding shape of its own (not the plain rectangle)."""
        shown = subprocess.run(["xwininfo", "-shape", "-id", str(window_id)], capture_output=True, text=True).stdout
        # xwininfo prints "No window shape defined" for a plain rectangle, else the shape's extents.
        return "Window shape extents" in shown

    def properties(self, window_id, *names):
        """The window's properties as xprop prints them, by name (absent ones are left out)."""
        shown = subprocess.run(["xprop", "-id", str(window_id), *names], capture_output=True, text=True).stdout
        found = {}
        for line in shown.splitlines():
            match = re.match(r"([A-Z_]+)\([A-Z_]+\)(?: = |:\s*)(.*)", line)
            if match:
                found[match.group(1)] = match.group(2)
        return found

    def atoms(self, window_id, name):
        value = self.properties(window_id, name).get(name, "")
        return [a.strip() for a in value.split(",") if a.strip()]

    def move(self, x, y):
        self.xdotool("mousemove", x, y)

    def park(self):
        self.move(self.width - 1, self.height - 1)

    def press(self, button):
        self.xdotool("mousedown", button)

    def release(self, button):
        self.xdotool("mouseup", button)

    def xdotool(self, *arguments):
        subprocess.run(["xdotool", *[str(a) for a in arguments]], check=True, timeout=20)


def start(kind, height=None):
    """Starts a session of `kind` (see the module's notes) and gives it; `height` makes the screen
    taller than 720 pixels (xvfb's is 1024)."""
    session = {"sway": Sway, "kwin": KWin, "openbox": X11,
               "xvfb": lambda: X11(window_manager=False, width=1280, height=1024)}[kind]()
    if height:
        session.height = height
    try:
        session.start()
    except Exception:
        session.stop()
        raise
    return session
