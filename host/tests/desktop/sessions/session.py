"""What every desktop session has: its processes and logs, the clients a test starts in it, probes,
screenshots of its (first) output and a pointer in screen pixels where it offers one."""
import os
import subprocess
import tempfile

from ..images import near, pixel
from ..waiting import wait_until

BACKGROUND = (0x33, 0x66, 0x99)
BACKGROUND_HEX = "#336699"
# The small GTK 3 clients a test lays beside the host (a probe widget, a window, a wallpaper).
PROBE = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "probe.py")


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
        """One of probe.py's clients, once it says it is on the screen."""
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
