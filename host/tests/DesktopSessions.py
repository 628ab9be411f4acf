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
  gnome    gnome-shell 43 --headless, one 1280x720 virtual monitor, a solid BACKGROUND under its top
           bar; a driver extension of its own for org.gnome.Shell.Eval and a virtual pointer, the
           shell's Screenshot interface, extensions installed and enabled at start (see GnomeShell)

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
GNOME_DRIVER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "GnomeShellTestDriver")
SKIPPED = 77  # the exit status CTest is told means "skipped"

TOOLS = {
    "sway": ["sway", "swaymsg", "grim"],
    "kwin": ["kwin_wayland", "qdbus"],
    "openbox": ["Xvfb", "openbox", "xcompmgr", "xprop", "xwininfo", "xdotool", "xsetroot", "import"],
    "xvfb": ["Xvfb", "xdotool", "xwd", "xwdtopnm"],
    "gnome": ["gnome-shell", "gjs", "dbus-daemon"],
}
COMMON_TOOLS = ["dbus-run-session", "setpriv", "pngtopam"]
# The desktop's own programs: only without these is a test skipped rather than failed.
DESKTOPS = {"sway": "sway", "kwin": "kwin_wayland", "openbox": "openbox", "xvfb": "Xvfb", "gnome": "gnome-shell"}
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
    own = [os.path.join(GNOME_DRIVER, "extension.js")] if kind == "gnome" else []
    stop = unreadable([os.path.abspath(p) for p in (script, PROBE, *own, *readable)], as_root)
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


class GnomeShell(Session):
    """gnome-shell 43 --headless on one virtual 1280x720 monitor, its Wayland display "wayland-gnome".

    It shares the test's session bus; a private system bus stands in for the machine's (mutter asks
    for one where /run/systemd/seats exists). Its settings are written to the keyfile before it
    starts: a solid BACKGROUND, no animations, no hot corner, no banners (putting the shell in unsafe
    mode posts one), no welcome dialog, no screen lock, and toolkit-accessibility. The top bar stays,
    as on a real GNOME desktop: the screen's top rows are the panel, not the background.

    The harness's own extension (GnomeShellTestDriver) is always installed and enabled: it puts the
    shell in unsafe mode, so that org.gnome.Shell.Eval runs the tests' JavaScript (`eval`), leaves the
    overview the shell starts in, and makes a Clutter virtual pointer (headless mutter has no input
    device). `extensions` (the class attribute, or `start("gnome", extensions=...)`) are more
    extension folders, installed into $XDG_DATA_HOME/gnome-shell/extensions/<uuid> and enabled; each
    needs "43" in its metadata's "shell-version".

    AT-SPI: the test's pyatspi sees the application "gnome-shell" and its actors (an St widget with an
    accessible_name reads by that name). It takes the a11y bus, which D-Bus activation of org.a11y.Bus
    starts inside the session, and toolkit-accessibility set before the shell starts: the shell loads
    its AT-SPI bridge only then.
    """
    kind = "gnome"
    output = "Meta-0"
    display_name = "wayland-gnome"
    extensions = ()
    DRIVER_UUID = "tallyfox-test-driver@tallyfox.com"
    # org.gnome.Shell.Extensions' states (misc/extensionUtils.js)
    EXTENSION_STATES = {1: "enabled", 2: "disabled", 3: "error", 4: "out of date", 5: "downloading",
                        6: "initialized", 99: "uninstalled"}
    pointer_note = "no virtual pointer from the driver extension"

    def __init__(self, extensions=None):
        super().__init__()
        self.extensions = list(self.extensions if extensions is None else extensions)
        self.bus = None
        self.screenshots = 0

    # MARK: Starting

    def start(self):
        started = time.monotonic()
        self.start_system_bus()
        uuids = [self.install_extension(folder) for folder in [GNOME_DRIVER, *self.extensions]]
        self.write_settings(uuids)
        # Without this the shell tells once that there is no screen lock without GDM.
        data = os.environ["XDG_DATA_HOME"]
        os.makedirs(os.path.join(data, "gnome-shell"), exist_ok=True)
        open(os.path.join(data, "gnome-shell", "lock-warning-shown"), "w").close()
        # The shell asks extensions.gnome.org for updates of the user's extensions at start, when the
        # Extensions app is installed: hidden, it is not.
        os.makedirs(os.path.join(data, "applications"), exist_ok=True)
        with open(os.path.join(data, "applications", "org.gnome.Extensions.desktop"), "w") as out:
            out.write("[Desktop Entry]\nType=Application\nName=Extensions\nHidden=true\n")
        os.environ.update({"XDG_SESSION_TYPE": "wayland", "XDG_CURRENT_DESKTOP": "GNOME"})
        self.compositor = self.spawn(
            ["gnome-shell", "--headless", "--wayland", "--no-x11", "--virtual-monitor",
             "%dx%d" % (self.width, self.height), "--wayland-display", self.display_name], "gnome-shell.log",
            {"GSETTINGS_BACKEND": "keyfile", "DBUS_SYSTEM_BUS_ADDRESS": self.system_bus})
        runtime = os.environ["XDG_RUNTIME_DIR"]
        if not wait_until(lambda: os.path.exists(os.path.join(runtime, self.display_name)) or
                          self.compositor.poll() is not None, 60) or self.compositor.poll() is not None:
            raise RuntimeError("gnome-shell did not start:\n" + self.shell_log()[-3000:])
        os.environ["WAYLAND_DISPLAY"] = self.display_name
        os.environ["GDK_BACKEND"] = "wayland"
        import gi
        gi.require_version("Gio", "2.0")
        from gi.repository import Gio
        self.bus = Gio.bus_get_sync(Gio.BusType.SESSION)
        # Eval answers once the driver has put the shell in unsafe mode; then until the overview is gone.
        if not wait_until(lambda: self.compositor.poll() is not None or self.try_eval("1") == (True, 1), 90, 0.2) \
                or self.compositor.poll() is not None:
            raise RuntimeError("gnome-shell never ran the test driver (is it enabled?):\n%s\n%s"
                               % (self.extension_info(self.DRIVER_UUID), self.shell_log()[-3000:]))
        if not wait_until(lambda: self.eval("tallyfoxDriver.ready"), 60, 0.2):
            raise RuntimeError("gnome-shell stayed in its start or the overview:\n" + self.shell_log()[-3000:])
        self.own_screenshot_name()
        self.wait_for_background()
        for uuid in uuids[1:]:
            self.wait_for_extension(uuid)
        self.start_pointer()
        self.started_in = time.monotonic() - started

    def start_system_bus(self):
        """A system bus of the session's own that lets everyone do everything."""
        config = os.path.join(self.root, "system-bus.conf")
        socket = os.path.join(self.root, "system_bus_socket")
        with open(config, "w") as out:
            out.write("""<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=%s</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_type="method_call"/>
    <allow send_destination="*"/>
    <allow receive_sender="*"/>
  </policy>
</busconfig>
""" % socket)
        daemon = subprocess.Popen(["dbus-daemon", "--config-file=" + config, "--nofork", "--nopidfile",
                                   "--print-address=1"], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                  stdin=subprocess.DEVNULL)
        self.processes.append(daemon)
        ready, _, _ = select.select([daemon.stdout], [], [], 30)
        address = daemon.stdout.readline().decode().strip() if ready else ""
        if not address:
            daemon.terminate()
            raise RuntimeError("the private system bus did not start: " + daemon.stderr.read().decode(errors="replace"))
        self.system_bus = address

    def install_extension(self, folder):
        """Copies an extension folder to the user's extensions; gives its uuid."""
        with open(os.path.join(folder, "metadata.json")) as source:
            uuid = json.load(source)["uuid"]
        target = os.path.join(os.environ["XDG_DATA_HOME"], "gnome-shell", "extensions", uuid)
        shutil.rmtree(target, ignore_errors=True)
        shutil.copytree(folder, target)
        return uuid

    def write_settings(self, uuids):
        folder = os.path.join(os.environ["XDG_CONFIG_HOME"], "glib-2.0", "settings")
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "keyfile"), "a") as out:
            out.write("""
[org/gnome/shell]
enabled-extensions=[%(uuids)s]
disable-user-extensions=false
welcome-dialog-last-shown-version='999'

[org/gnome/desktop/background]
picture-options='none'
picture-uri=''
picture-uri-dark=''
primary-color='%(colour)s'
secondary-color='%(colour)s'
color-shading-type='solid'

[org/gnome/desktop/interface]
enable-animations=false
enable-hot-corners=false
toolkit-accessibility=true

[org/gnome/desktop/notifications]
show-banners=false

[org/gnome/desktop/session]
idle-delay=uint32 0

[org/gnome/desktop/screensaver]
lock-enabled=false
idle-activation-enabled=false
""" % {"uuids": ", ".join("'%s'" % u for u in uuids), "colour": BACKGROUND_HEX})

    def shell_log(self):
        """What gnome-shell printed so far (its standard output and error)."""
        return self.log("gnome-shell.log")

    # MARK: D-Bus

    def call(self, name, path, interface, method, signature=None, arguments=(), reply=None, timeout=20):
        from gi.repository import GLib
        result = self.bus.call_sync(name, path, interface, method,
                                    GLib.Variant(signature, tuple(arguments)) if signature else None,
                                    GLib.VariantType(reply) if reply else None, 0, timeout * 1000, None)
        return result.unpack() if result is not None else None

    def try_eval(self, js):
        """(success, the JSON-decoded value or the shell's message), or None while the shell does not answer."""
        from gi.repository import GLib
        try:
            success, text = self.call("org.gnome.Shell", "/org/gnome/Shell", "org.gnome.Shell", "Eval", "(s)",
                                      [js], "(bs)")
        except GLib.Error:
            return None
        if not success:
            return False, text
        return True, json.loads(text) if text else None

    def eval(self, js):
        """Runs `js` in the shell and gives its value, JSON-decoded (None for undefined). `Main` and the
        usual gi modules (Clutter, GLib, Meta, Shell, St) are at hand; the code is a block, its value
        that of its last statement."""
        prelude = "const Main = imports.ui.main, {Clutter, GLib, Meta, Shell, St} = imports.gi;\n{\n"
        result = self.try_eval(prelude + js + "\n}")
        if result is None:
            raise AssertionError("gnome-shell did not answer Eval:\n" + self.shell_log()[-2000:])
        if not result[0]:
            raise AssertionError("gnome-shell: %s\n  in: %s" % (result[1] or "Eval refused (not in unsafe mode)", js))
        return result[1]

    # MARK: Extensions

    def extension_info(self, uuid):
        from gi.repository import GLib
        try:
            info = self.call("org.gnome.Shell", "/org/gnome/Shell", "org.gnome.Shell.Extensions",
                             "GetExtensionInfo", "(s)", [uuid], "(a{sv})")[0]
        except GLib.Error as error:
            return {"error": error.message}
        return info

    def extension_state(self, uuid):
        """"enabled", "disabled", "error" … as the shell has it, or None when it does not know it."""
        state = self.extension_info(uuid).get("state")
        return self.EXTENSION_STATES.get(int(state), str(state)) if state is not None else None

    def wait_for_extension(self, uuid, state="enabled", timeout=30):
        if wait_until(lambda: (lambda now: now if now in (state, "error", "out of date") else None)(
                self.extension_state(uuid)), timeout, 0.1) != state:
            info = self.extension_info(uuid)
            raise AssertionError("the extension %s is %s, not %s: %s\n%s" % (
                uuid, self.extension_state(uuid), state, info.get("error", ""), self.shell_log()[-2000:]))

    def enable_extension(self, uuid):
        self.call("org.gnome.Shell", "/org/gnome/Shell", "org.gnome.Shell.Extensions", "EnableExtension", "(s)",
                  [uuid], "(b)")
        self.wait_for_extension(uuid)

    def disable_extension(self, uuid):
        self.call("org.gnome.Shell", "/org/gnome/Shell", "org.gnome.Shell.Extensions", "DisableExtension", "(s)",
                  [uuid], "(b)")
        self.wait_for_extension(uuid, "disabled")

    # MARK: Screen, windows and pointer

    def own_screenshot_name(self):
        # The shell answers Screenshot only to a few bus names (in unsafe mode to anyone, but the
        # name costs nothing).
        self.call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "RequestName", "(su)",
                  ["org.gnome.Screenshot", 4], "(u)")  # 4: do not queue

    def screenshot(self):
        self.screenshots += 1
        path = os.path.join(self.root, "screenshot-%d.png" % self.screenshots)
        success, written = self.call("org.gnome.Shell.Screenshot", "/org/gnome/Shell/Screenshot",
                                     "org.gnome.Shell.Screenshot", "Screenshot", "(bbs)", [False, False, path],
                                     "(bs)", timeout=30)
        if not success:
            raise AssertionError("gnome-shell took no screenshot:\n" + self.shell_log()[-2000:])
        try:
            shot = subprocess.run(["pngtopam", written], capture_output=True, timeout=30)
        finally:
            os.unlink(written)
        if shot.returncode != 0:
            raise AssertionError("pngtopam: " + shot.stderr.decode(errors="replace"))
        return read_netpbm(shot.stdout)

    def wait_for_background(self, timeout=20, corner=None):
        """Until the bottom left corner shows the background (the top bar covers the top ones)."""
        x, y = corner or (2, self.height - 3)
        if not wait_until(lambda: near(pixel(self.screenshot(), x, y), BACKGROUND, 2), timeout, 0.1):
            raise RuntimeError("gnome: the background never showed; the screen's corner is %s"
                               % (pixel(self.screenshot(), x, y),))

    def work_area(self):
        """x, y, width, height of the primary monitor's work area (below the top bar)."""
        area = self.eval("const a = Main.layoutManager.getWorkAreaForMonitor(Main.layoutManager.primaryIndex);"
                         " [a.x, a.y, a.width, a.height]")
        return tuple(area)

    def windows(self):
        """Every window the shell manages, in stacking order: title, wm_class, skip_taskbar, type (Meta's
        window type's name), x, y, width, height (the frame), minimized, maximized, above, sticky (on all
        workspaces), in_tab_list (what alt-tab and the overview list, NORMAL_ALL), app (the id of the app
        the dash shows it under: "window:N" for a window without a desktop file, or null) and pid."""
        return self.eval("""
const listed = global.display.get_tab_list(Meta.TabList.NORMAL_ALL, null);
const tracker = Shell.WindowTracker.get_default();
global.get_window_actors().map(a => a.get_meta_window()).map(w => {
    const r = w.get_frame_rect(), app = tracker.get_window_app(w);
    return {title: w.get_title(), wm_class: w.get_wm_class(), skip_taskbar: w.is_skip_taskbar(),
            type: Object.keys(Meta.WindowType).find(k => Meta.WindowType[k] === w.get_window_type()),
            x: r.x, y: r.y, width: r.width, height: r.height, minimized: w.minimized,
            maximized: w.get_maximized() === Meta.MaximizeFlags.BOTH, above: w.is_above(),
            sticky: w.is_on_all_workspaces(), in_tab_list: listed.includes(w),
            app: app ? app.get_id() : null, pid: w.get_pid()};
})""")

    def open_window(self, title="Covering window", fill="c03020"):
        """An ordinary window, maximized: it covers the work area (the screen below the top bar)."""
        client = self.probe("window", title, fill)
        quoted = json.dumps(title)
        if not wait_until(lambda: self.eval(
                "const w = global.display.get_tab_list(Meta.TabList.NORMAL_ALL, null).find(w => w.get_title() === %s);"
                " if (w) w.maximize(Meta.MaximizeFlags.BOTH); !!w" % quoted), 10):
            raise AssertionError("the window %s is not in the shell's list: %s" % (title, self.windows()))
        area = self.work_area()
        if not wait_until(lambda: [w for w in self.windows() if w["title"] == title and w["maximized"] and
                                   (w["width"], w["height"]) == area[2:]], 10):
            raise AssertionError("the window %s did not maximize to %s: %s" % (title, area, self.windows()))
        # The shell has it maximized before the client draws it so: until its fill is at the bottom corners.
        colour = tuple(int(fill[i:i + 2], 16) for i in (0, 2, 4))
        corners = ((area[0] + 2, area[1] + area[3] - 3), (area[0] + area[2] - 3, area[1] + area[3] - 3))
        if not wait_until(lambda: (lambda shot: all(near(pixel(shot, x, y), colour) for x, y in corners))(
                self.screenshot()), 10, 0.1):
            raise AssertionError("the maximized window %s is not drawn over the work area %s" % (title, area))
        return client

    def start_pointer(self):
        """The driver's virtual pointer, once the shell's pointer follows it."""
        if not self.eval("tallyfoxDriver._pointer !== null"):
            return
        self.has_pointer = True
        self.park()
        if not wait_until(lambda: self.eval("global.get_pointer().slice(0, 2)") == [self.width - 1, self.height - 1],
                          10):
            self.has_pointer = False
            self.pointer_note = "the virtual pointer does not move the shell's pointer: it is at %s" % (
                self.eval("global.get_pointer().slice(0, 2)"),)

    def move(self, x, y):
        self.eval("tallyfoxDriver.move(%d, %d)" % (x, y))
        # mutter takes virtual input on a thread of its own: a press sent before the pointer got there
        # lands where it was.
        wait_until(lambda: self.eval("global.get_pointer().slice(0, 2)") == [x, y], 5, 0.01)

    def press(self, button):
        self.eval("tallyfoxDriver.press(%d)" % button)

    def release(self, button):
        self.eval("tallyfoxDriver.release(%d)" % button)

    def park(self):
        """The pointer to the screen's bottom right corner, out of the pictures (no hot corner there)."""
        self.move(self.width - 1, self.height - 1)


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
