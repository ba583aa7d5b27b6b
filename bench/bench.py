#!/usr/bin/env python3
"""How fast the program shows its boxes, and what it costs: the real binary
on a pseudo-terminal (boxes on the terminal), and with an X server (boxes as
windows); a few runs each, the median of each figure.

    bench.py BUILD_DIR WINDOWS_BUILD_DIR [runs]
"""

import fcntl
import os
import pty
import select
import signal
import statistics
import struct
import subprocess
import sys
import termios
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "e2e"))

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
        """Reads what the program wrote, waiting up to timeout for it."""
        if select.select([self.fd], [], [], max(timeout, 0))[0]:
            try:
                self.output += os.read(self.fd, 65536)
            except OSError:
                pass

    def cpu_ms(self):
        with open(f"/proc/{self.pid}/schedstat") as f:
            return int(f.read().split()[0]) / 1e6

    def peak_rss_mib(self):
        with open(f"/proc/{self.pid}/status") as f:
            for line in f:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1]) / 1024
        return 0

    def end(self):
        os.kill(self.pid, signal.SIGKILL)
        os.waitpid(self.pid, 0)
        os.close(self.fd)


class TerminalBoxes:
    """Boxes drawn on the program's terminal, dismissed with Enter."""

    def __init__(self, run):
        self.run = run

    def wait(self, count, timeout=20.0):
        deadline = time.monotonic() + timeout
        while self.run.output.count(BOX) < count:
            if time.monotonic() > deadline:
                raise RuntimeError(f"no box {count} within {timeout} s")
            self.run.read(deadline - time.monotonic())
        return time.monotonic()

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


def measure(argv, env, runs, boxes, stages=True, taunts=10):
    figures = {}

    def note(key, value):
        figures.setdefault(key, []).append(value)

    for _ in range(runs):
        run = Run(argv, env)
        try:
            b = boxes(run)
            note("first", (b.wait(1) - run.start) * 1000)
            count = 1
            if stages:
                dismissed = b.dismiss()
                note("stages", (b.wait(2) - dismissed) * 1000)
                note("cpu", run.cpu_ms())
                count = 2
            for n in range(count + 1, count + 1 + taunts):
                dismissed = b.dismiss()
                note("next", (b.wait(n) - dismissed) * 1000)
            note("rss", run.peak_rss_mib())
            with open(f"/proc/{run.pid}/maps") as maps:
                note("gtk", any("libgtk-3" in line for line in maps))
        finally:
            run.end()
    return {k: statistics.median(v) for k, v in figures.items()}


def floors(runs):
    """What this machine takes for the same things with no program of ours:
    exec to the first output of printf, and three 2000 ms sleeps."""
    first = []
    for _ in range(runs):
        run = Run(["/usr/bin/printf", BOX.decode()], {})
        try:
            first.append((TerminalBoxes(run).wait(1) - run.start) * 1000)
        finally:
            run.end()
    start = time.monotonic()
    for _ in range(3):
        time.sleep(2)
    return {"first": statistics.median(first), "stages": (time.monotonic() - start) * 1000}


FIGURES = [
    ("first", "exec -> first box shown", "ms"),
    ("stages", "greeting dismissed -> first \"merong\" box", "ms"),
    ("next", "dismissal -> next box", "ms"),
    ("cpu", "CPU time up to the first \"merong\" box", "ms"),
    ("rss", "peak RSS", "MiB"),
]


def table(title, columns, goals):
    """columns: (heading, figures) pairs; goals: figure -> (limit, unit)."""
    print(f"\n{title}\n")
    head = "| figure" + " " * 37 + "".join(f" | {h:>14}" for h, _ in columns) + " | goal |"
    print(head)
    print("|" + "|".join("-" * (len(c) + 0) for c in head.strip("|").split("|")) + "|")
    for key, label, unit in FIGURES:
        if not any(key in figures for _, figures in columns):
            continue
        cells = "".join(
            f" | {figures[key]:>10.2f} {unit:3}" if key in figures else f" | {'':>14}"
            for _, figures in columns)
        goal = goals.get(key)
        print(f"| {label:43}{cells} | {'<= ' + str(goal) + ' ' + unit if goal else ''} |")


def main():
    build = os.path.abspath(sys.argv[1])
    windows = os.path.abspath(sys.argv[2])
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 5
    merong = os.path.join(build, "merong")
    env = {"PATH": "/usr/bin:/bin", "TERM": "xterm-256color", "LANG": "ko_KR.UTF-8"}

    from desktop import Xvfb
    from wine import WinePrefix
    from Xlib import X, display

    terminal = measure([merong], env, runs, TerminalBoxes)
    floor = floors(runs)
    with Xvfb() as x:
        d = display.Display(x.display)
        d.screen().root.change_attributes(event_mask=X.SubstructureNotifyMask)
        xenv = dict(env, **x.env())
        desktop = measure([merong], xenv, runs, lambda run: DesktopBoxes(run, d))
        # GTK in a locale the C library can load, as ours runs it.
        bare = measure([os.path.join(build, "bare-dialog")], dict(xenv, LC_ALL="C.UTF-8"), runs,
                       lambda run: DesktopBoxes(run, d), stages=False)
        wine = WinePrefix(x.display)
        try:
            wenv = dict(xenv, **wine.vars)
            # A running Windows is already up: keep the Wine server running.
            server = subprocess.Popen(["wineserver", "-f", "-p"], env=wenv)
            # Each box takes Wine two seconds here: a few are enough.
            exe = measure(["/usr/bin/wine", os.path.join(windows, "merong.exe")], wenv, runs,
                          lambda run: DesktopBoxes(run, d), taunts=3)
            bare_exe = measure(["/usr/bin/wine", os.path.join(windows, "bare-msgbox.exe")], wenv,
                               runs, lambda run: DesktopBoxes(run, d), stages=False, taunts=3)
            subprocess.run(["wineserver", "-k"], env=wenv)
            server.wait()
        finally:
            wine.close()
        d.close()

    print(f"merong, median of {runs} runs on this machine")
    table("The terminal program (an 80x24 pseudo-terminal, no display) and merong.exe under Wine "
          "(boxes on Xvfb);\nfloor: the same with no program of ours (printf, time.sleep); "
          "bare Win32: a program that shows the same boxes and nothing else",
          [("terminal", terminal), ("floor", floor), ("Wine (.exe)", exe),
           ("bare Win32", bare_exe)],
          {"first": 5, "stages": 6005, "next": 2, "cpu": 20, "rss": 2})
    print(f"\nGTK loaded by the terminal program: {'yes' if terminal['gtk'] else 'no'}")
    table("Boxes as windows (Xvfb; bare GTK: a program that shows the same dialogs and nothing else)",
          [("desktop", desktop), ("bare GTK", bare)],
          {"first": 150, "stages": 6005, "next": 30})
    return 0


if __name__ == "__main__":
    sys.exit(main())
