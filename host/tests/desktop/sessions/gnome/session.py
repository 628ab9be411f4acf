"""GNOME Shell 43 headless, driven by an extension of the harness's own (driver/)."""
import json
import os
import select
import shutil
import subprocess
import time

from ...images import near, pixel, read_netpbm
from ...waiting import wait_until
from ..session import BACKGROUND, BACKGROUND_HEX, Session

# The harness's own extension: unsafe mode for Eval, no overview at start, a virtual pointer.
DRIVER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "driver")


class GnomeShell(Session):
    """gnome-shell 43 --headless on one virtual 1280x720 monitor, its Wayland display "wayland-gnome".

    It shares the test's session bus; a private system bus stands in for the machine's (mutter asks
    for one where /run/systemd/seats exists). Its settings are written to the keyfile before it
    starts: a solid BACKGROUND, no animations, no hot corner, no banners (putting the shell in unsafe
    mode posts one), no welcome dialog, no screen lock, and toolkit-accessibility. The top bar stays,
    as on a real GNOME desktop: the screen's top rows are the panel, not the background.

    The harness's own extension (driver/) is always installed and enabled: it puts the
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
        uuids = [self.install_extension(folder) for folder in [DRIVER, *self.extensions]]
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
