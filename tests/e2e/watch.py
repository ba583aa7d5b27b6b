"""The program on a pseudo-terminal of its own, its boxes watched as they
come and dismissed at once: lean enough for the benchmark and long runs."""

import fcntl
import os
import pty
import select
import signal
import struct
import termios
import time

BOX = b"[ OK ]"


class Run:
    """One run of a program on a fresh 80x24 pseudo-terminal."""

    def __init__(self, argv, env):
        self.output = b""
        self.start = time.monotonic()
        self.pid, self.fd = pty.fork()
        if self.pid == 0:
            os.execve(argv[0], argv, env)
        fcntl.ioctl(self.fd, termios.TIOCSWINSZ, struct.pack("HHHH", 24, 80, 0, 0))

    def read(self, timeout):
        """Reads what the program wrote, waiting up to timeout for it; whether
        anything came."""
        if select.select([self.fd], [], [], max(timeout, 0))[0]:
            try:
                data = os.read(self.fd, 65536)
            except OSError:
                return False
            self.output += data
            return bool(data)
        return False

    def cpu_ms(self):
        with open(f"/proc/{self.pid}/schedstat") as f:
            return int(f.read().split()[0]) / 1e6

    def peak_rss_mib(self):
        with open(f"/proc/{self.pid}/status") as f:
            for line in f:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1]) / 1024
        return 0

    def resources(self):
        """Resident memory (KiB), open descriptors and mappings, now."""
        with open(f"/proc/{self.pid}/status") as f:
            rss = next(int(line.split()[1]) for line in f if line.startswith("VmRSS:"))
        with open(f"/proc/{self.pid}/maps") as f:
            maps = len(f.readlines())
        return rss, len(os.listdir(f"/proc/{self.pid}/fd")), maps

    def end(self):
        """Kills the program, unless it has already been waited for."""
        if self.pid is not None:
            os.kill(self.pid, signal.SIGKILL)
            os.waitpid(self.pid, 0)
        os.close(self.fd)


class TerminalBoxes:
    """Boxes drawn on the program's terminal, dismissed with Enter."""

    def __init__(self, run):
        self.run = run
        self.shown = 0

    def wait(self, count, timeout=20.0):
        deadline = time.monotonic() + timeout
        while True:
            # Count what came, keeping only what may be the start of the next.
            self.shown += self.run.output.count(BOX)
            self.run.output = self.run.output[self.run.output.rfind(BOX) + 1:][-len(BOX):]
            if self.shown >= count:
                return time.monotonic()
            if time.monotonic() > deadline:
                raise RuntimeError(f"no box {count} within {timeout} s")
            self.run.read(deadline - time.monotonic())

    def dismiss(self):
        os.write(self.run.fd, b"\r")
        return time.monotonic()


class DesktopBoxes:
    """Boxes as windows titled "Hello" on an X server, seen as they are
    mapped and dismissed with a key press through XTEST."""

    def __init__(self, run, xdisplay):
        from Xlib import X

        self.run, self.d, self.X = run, xdisplay, X
        self.windows = []

    def wait(self, count, timeout=20.0):
        deadline = time.monotonic() + timeout
        while len(self.windows) < count:
            if time.monotonic() > deadline:
                raise RuntimeError(f"no window {count} within {timeout} s")
            while self.d.pending_events():
                event = self.d.next_event()
                if event.type == self.X.MapNotify and self._is_box(event.window):
                    self.windows.append(event.window)
            if len(self.windows) >= count:
                break
            ready = select.select([self.d.fileno(), self.run.fd], [], [],
                                  deadline - time.monotonic())[0]
            if self.run.fd in ready:
                self.run.read(0)
        return time.monotonic()

    def _is_box(self, window):
        try:
            return window.get_wm_name() == "Hello"
        except Exception:
            return False

    def dismiss(self):
        from Xlib.ext import xtest

        window = self.windows[-1]
        window.set_input_focus(self.X.RevertToParent, self.X.CurrentTime)
        keycode = self.d.keysym_to_keycode(0xFF0D)  # Return
        self.d.sync()
        start = time.monotonic()
        xtest.fake_input(self.d, self.X.KeyPress, keycode)
        xtest.fake_input(self.d, self.X.KeyRelease, keycode)
        self.d.flush()
        return start
