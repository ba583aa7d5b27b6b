"""A real X server (Xvfb) of the tests' own."""

import contextlib
import os
import subprocess
import time


class Xvfb:
    """An X server on a display number it picks itself, stopped on close."""

    def __init__(self, size="1024x768x24"):
        read, write = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", size, "-nolisten", "tcp", "-noreset"],
            pass_fds=[write], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as f:
            number = f.readline().strip()
        if not number:
            self.process.kill()
            raise RuntimeError("Xvfb did not start")
        self.display = f":{number}"
        self.watchers = []  # connections of the tests' own, closed with the server
        # No key repeats by itself: on a busy machine, a key's release can
        # come late enough for the server to repeat it, and dismiss a box
        # that no test meant to.
        from Xlib import X, display

        d = display.Display(self.display)
        d.change_keyboard_control(auto_repeat_mode=X.AutoRepeatModeOff)
        d.sync()
        d.close()

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

    @contextlib.contextmanager
    def window_manager(self):
        """openbox on this server for a while, as a desktop has one: it
        frames each window, and marks a closed one withdrawn at once."""
        from Xlib import display

        wm = subprocess.Popen(["openbox", "--sm-disable", "--config-file", "/dev/null"],
                              env=dict(os.environ, **self.env()), stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL)
        try:
            d = display.Display(self.display)
            check = d.intern_atom("_NET_SUPPORTING_WM_CHECK")
            deadline = time.monotonic() + 20
            while d.screen().root.get_full_property(check, 0) is None:
                if time.monotonic() > deadline or wm.poll() is not None:
                    raise RuntimeError("openbox did not start")
                time.sleep(0.05)
            d.close()
            yield
        finally:
            wm.terminate()
            wm.wait()

    def close(self):
        for watcher in list(self.watchers):
            watcher.close()
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
