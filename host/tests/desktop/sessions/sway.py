"""sway 1.7 headless: the pixman renderer, one output HEADLESS-1 in the background colour (more can be
added and taken away), grim for screenshots, swaymsg for the tree and the outputs, and a virtual pointer."""
import json
import os
import re
import subprocess
import time

from ..images import read_netpbm
from ..waiting import wait_until
from .session import BACKGROUND_HEX, OutputsFixed, Session
from .wayland_pointer import VirtualPointer


class Sway(VirtualPointer, Session):
    kind = "sway"
    output = "HEADLESS-1"
    # The headless backend has no input device: its seat offers no pointer, and `swaymsg seat -
    # cursor` moves a cursor no client hears. A virtual pointer (pointer.py) gives it one.
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

    def screenshot(self, output=None):
        shot = subprocess.run(["grim", "-t", "ppm", "-o", output or self.output, "-"], capture_output=True,
                              timeout=30)
        if shot.returncode != 0:
            raise AssertionError("grim: " + shot.stderr.decode(errors="replace"))
        return read_netpbm(shot.stdout)

    def open_window(self, title="Covering window", fill="c03020"):
        """An ordinary window; sway tiles it over the whole output."""
        return self.probe("window", title, fill)
