"""The pointer of a Wayland compositor without an input device: pointer.py, a client of the
compositor's virtual pointer protocol, driven line by line through its standard input."""
import os
import subprocess
import time

POINTER = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "pointer.py")


class VirtualPointer:
    """For a session class: `start_pointer` when the compositor is up, then move, press, release and
    park as every session has them."""

    def start_pointer(self, attempts=1):
        """A virtual pointer (pointer.py): the headless seat has no pointer of its own;
        `attempts` tries, a second apart."""
        for attempt in range(attempts):
            self.pointer = subprocess.Popen(["/usr/bin/python3", POINTER], stdin=subprocess.PIPE,
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
