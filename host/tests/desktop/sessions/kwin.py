"""KWin 5.27 on Wayland, virtual: 1280x720, a background-layer probe painting the background colour
(without Plasma nothing draws a wallpaper), the ScreenShot2 D-Bus interface for screenshots, a KWin
script for the windows' states, and KWin's fake input for a pointer."""
import json
import os
import select
import shutil
import subprocess
import time

from ..waiting import wait_until
from .session import BACKGROUND_HEX, Session
from .wayland_pointer import VirtualPointer


class KWin(VirtualPointer, Session):
    kind = "kwin"
    output = "Virtual-0"
    # kwin_wayland --virtual has no input device; pointer.py gives it one through fake input.
    pointer_note = "no fake input pointer"

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
