"""A real X server (Xvfb) of the tests' own, and message boxes found on it
as windows titled "Hello"."""

import os
import subprocess

from terminal import wait_for


class Xvfb:
    """An X server on a display number it picks itself, stopped on close."""

    def __init__(self, size="1024x768x24"):
        read, write = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", size, "-nolisten", "tcp"],
            pass_fds=[write], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as f:
            number = f.readline().strip()
        if not number:
            self.process.kill()
            raise RuntimeError("Xvfb did not start")
        self.display = f":{number}"

    def env(self):
        return {"DISPLAY": self.display, "NO_AT_BRIDGE": "1"}

    def run(self, *argv, timeout=20):
        return subprocess.run(argv, env=dict(os.environ, **self.env()), check=True,
                              capture_output=True, text=True, timeout=timeout).stdout

    def windows(self, title):
        """The visible windows with that exact title."""
        try:
            out = self.run("xdotool", "search", "--onlyvisible", "--name", f"^{title}$")
        except subprocess.CalledProcessError:  # none found
            return []
        return [int(w) for w in out.split()]

    def screenshot(self, path, window="root"):
        self.run("import", "-window", str(window), path)

    def close(self):
        self.process.terminate()
        try:
            self.process.wait(timeout=5)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


DELETE_WINDOW = """
import sys
from Xlib import X, display, protocol
d = display.Display()
window = d.create_resource_object("window", int(sys.argv[1]))
protocols, delete = d.intern_atom("WM_PROTOCOLS"), d.intern_atom("WM_DELETE_WINDOW")
window.send_event(protocol.event.ClientMessage(
    window=window, client_type=protocols, data=(32, [delete, X.CurrentTime, 0, 0, 0])))
d.flush()
"""


class DesktopBoxes:
    """Message boxes shown as windows on an X server. Each box is a window
    of its own: a new one after each dismissal."""

    def __init__(self, x):
        self.x = x
        self.seen = []

    def shown(self):
        for window in self.x.windows("Hello"):
            if window not in self.seen:
                self.seen.append(window)
        return len(self.seen)

    def wait(self, text, count, timeout=30):
        """Waits until the count-th box is mapped; returns its window. (How
        soon is for the benchmark: here, a slow start of GTK on a busy
        machine is no fault, a box that never comes is.)"""
        wait_for(f"box {count} ({text!r})", lambda: self.shown() >= count, timeout)
        return self.seen[count - 1]

    def geometry(self, window):
        values = dict(line.split("=") for line in
                      self.x.run("xdotool", "getwindowgeometry", "--shell", str(window)).split())
        return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])

    def dismiss(self, how):
        window = self.seen[-1]
        if how in ("Enter", "Escape", "Space"):
            key = {"Enter": "Return", "Escape": "Escape", "Space": "space"}[how]
            self.x.run("xdotool", "windowfocus", "--sync", str(window), "key", key)
        elif how == "click OK":
            # The dialog's one button spans its bottom.
            x, y, width, height = self.geometry(window)
            self.x.run("xdotool", "mousemove", "--sync", str(x + width // 2),
                       str(y + height - 12), "click", "1")
        elif how == "close":
            self.x.run("/usr/bin/python3", "-c", DELETE_WINDOW, str(window))
        else:
            raise ValueError(how)
