"""An X server of its own (Xvfb): with openbox (restartable), a desktop window in the background colour
and xcompmgr on request, or bare. import for screenshots; xprop, xwininfo and xdotool for windows."""
import os
import re
import select
import subprocess
import time

from ..images import read_netpbm
from ..waiting import wait_until
from .session import BACKGROUND_HEX, Session


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
