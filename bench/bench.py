#!/usr/bin/env python3
"""How fast the program shows its boxes, and what it costs: the real binary
on a pseudo-terminal, a few runs, the median of each figure.

    bench.py path/to/merong [runs]
"""

import fcntl
import os
import pty
import select
import signal
import statistics
import struct
import sys
import termios
import time

BOX = b"[ OK ]"


class Run:
    """One run of the program on a fresh 80x24 pseudo-terminal."""

    def __init__(self, argv, env):
        self.output = b""
        self.start = time.monotonic()
        self.pid, self.fd = pty.fork()
        if self.pid == 0:
            os.execve(argv[0], argv, env)
        fcntl.ioctl(self.fd, termios.TIOCSWINSZ, struct.pack("HHHH", 24, 80, 0, 0))

    def wait_boxes(self, count, timeout=20.0):
        """Reads until count boxes have been drawn; the time it happened."""
        deadline = time.monotonic() + timeout
        while self.output.count(BOX) < count:
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([self.fd], [], [], left)[0]:
                raise RuntimeError(f"no box {count} within {timeout} s")
            self.output += os.read(self.fd, 65536)
        return time.monotonic()

    def dismiss(self):
        os.write(self.fd, b"\r")
        return time.monotonic()

    def cpu_ms(self):
        with open(f"/proc/{self.pid}/schedstat") as f:
            return int(f.read().split()[0]) / 1e6

    def peak_rss_kib(self):
        with open(f"/proc/{self.pid}/status") as f:
            for line in f:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1])
        return 0

    def end(self):
        os.kill(self.pid, signal.SIGKILL)
        os.waitpid(self.pid, 0)
        os.close(self.fd)


def measure(argv, env, runs, taunts=20):
    figures = {k: [] for k in ("first", "stages", "next", "cpu", "rss")}
    for _ in range(runs):
        run = Run(argv, env)
        try:
            figures["first"].append((run.wait_boxes(1) - run.start) * 1000)
            dismissed = run.dismiss()
            figures["stages"].append((run.wait_boxes(2) - dismissed) * 1000)
            figures["cpu"].append(run.cpu_ms())
            for n in range(3, 3 + taunts):
                dismissed = run.dismiss()
                figures["next"].append((run.wait_boxes(n) - dismissed) * 1000)
            figures["rss"].append(run.peak_rss_kib() / 1024)
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
            first.append((run.wait_boxes(1) - run.start) * 1000)
        finally:
            run.end()
    stages = []
    for _ in range(max(1, runs // 2)):
        start = time.monotonic()
        for _ in range(3):
            time.sleep(2)
        stages.append((time.monotonic() - start) * 1000)
    return {"first": statistics.median(first), "stages": statistics.median(stages)}


ROWS = [
    ("first", "exec -> first box drawn", "ms", 5),
    ("stages", "greeting dismissed -> first \"merong\" box", "ms", 6005),
    ("next", "dismissal -> next box", "ms", 2),
    ("cpu", "CPU time up to the first \"merong\" box", "ms", 20),
    ("rss", "peak RSS", "MiB", 2),
]


def main():
    binary = os.path.abspath(sys.argv[1])
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    env = {"PATH": "/usr/bin:/bin", "TERM": "xterm-256color", "LANG": "ko_KR.UTF-8"}
    result = measure([binary], env, runs)
    floor = floors(runs)
    print(f"merong on an 80x24 pseudo-terminal, median of {runs} runs")
    print("(floor: the same on this machine with no program of ours: printf, time.sleep)\n")
    print(f"| {'figure':43} | {'terminal':>12} | {'floor':>12} | {'goal':>12} |")
    print(f"|{'-' * 45}|{'-' * 14}|{'-' * 14}|{'-' * 14}|")
    for key, label, unit, goal in ROWS:
        value = f"{result[key]:.2f} {unit}"
        low = f"{floor[key]:.2f} {unit}" if key in floor else ""
        target = f"<= {goal} {unit}" + (" !" if result[key] > goal else "")
        print(f"| {label:43} | {value:>12} | {low:>12} | {target:>12} |")
    return 0


if __name__ == "__main__":
    sys.exit(main())
