#!/usr/bin/env python3
"""How fast the program shows its boxes, and what it costs: the real binary
on a pseudo-terminal (boxes on the terminal), and with an X server (boxes as
windows); a few runs each, the median of each figure.

    bench.py BUILD_DIR WINDOWS_BUILD_DIR [runs]
"""

import os
import statistics
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "e2e"))

from boxes import DesktopBoxes, TerminalBoxes  # noqa: E402
from watch import ENV, Run  # noqa: E402


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
            if hasattr(b, "close"):
                b.close()
    return {k: statistics.median(v) for k, v in figures.items()}


def floors(runs):
    """What this machine takes for the same things with no program of ours:
    exec to the first output of printf, and three 2000 ms sleeps."""
    first = []
    for _ in range(runs):
        run = Run(["/usr/bin/printf", "\\033[?1049h"], {})
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
    merong = os.path.join(build, "games", "merong")
    env = ENV

    from desktop import Xvfb
    os.environ["MERONG_WINDOWS"] = windows  # where the prefix's own programs are
    from wine import WinePrefix

    terminal = measure([merong], env, runs, TerminalBoxes)
    # The same with a terminal that has no terminfo entry: what looking one
    # up costs.
    no_entry = measure([merong], dict(env, TERM="merong-no-such-terminal"), runs, TerminalBoxes,
                       stages=False)
    floor = floors(runs)
    with Xvfb() as x:
        xenv = dict(env, **x.env())
        desktop = measure([merong], xenv, runs, lambda run: DesktopBoxes(x, run))
        # GTK in a locale the C library can load, as ours runs it.
        bare = measure([os.path.join(build, "bare-dialog")], dict(xenv, LC_ALL="C.UTF-8"), runs,
                       lambda run: DesktopBoxes(x, run), stages=False)
        wine = WinePrefix(x.display)
        try:
            wenv = dict(xenv, **wine.vars)
            exe_argv = ["/usr/bin/wine", os.path.join(windows, "merong.exe")]
            bare_argv = ["/usr/bin/wine", os.path.join(windows, "bare-msgbox.exe")]
            # Without a window manager, Wine waits up to two seconds for one
            # to withdraw each box it closes: a few boxes are enough.
            exe = measure(exe_argv, wenv, runs, lambda run: DesktopBoxes(x, run), taunts=3)
            bare_exe = measure(bare_argv, wenv, runs, lambda run: DesktopBoxes(x, run),
                               stages=False, taunts=3)
            # As on a Windows desktop: a window manager that frames the boxes.
            with x.window_manager():
                exe_wm = measure(exe_argv, wenv, runs, lambda run: DesktopBoxes(x, run))
                bare_wm = measure(bare_argv, wenv, runs, lambda run: DesktopBoxes(x, run),
                                  stages=False)
        finally:
            wine.close()

    print(f"merong, median of {runs} runs on this machine")
    table("The terminal program (an 80x24 pseudo-terminal, no display, TERM=xterm-256color);\n"
          "no entry: TERM names a terminal terminfo does not know;\nfloor: the same with no "
          "program of ours (printf, time.sleep)",
          [("terminal", terminal), ("no entry", no_entry), ("floor", floor)],
          {"first": 5, "stages": 6005, "next": 2, "cpu": 20, "rss": 2})
    print(f"\nGTK loaded by the terminal program: {'yes' if terminal['gtk'] else 'no'}")
    table("Boxes as windows (Xvfb; bare GTK: a program that shows the same dialogs and nothing else)",
          [("desktop", desktop), ("bare GTK", bare)],
          {"first": 150, "stages": 6005, "next": 30})
    table("merong.exe under Wine (boxes on Xvfb, Wine's server and desktop up), with a window manager "
          "(openbox) as on a Windows desktop, and with none;\nbare Win32: a program that shows "
          "the same boxes and nothing else",
          [("Wine, openbox", exe_wm), ("bare, openbox", bare_wm), ("Wine, no WM", exe),
           ("bare, no WM", bare_exe)], {})
    return 0


if __name__ == "__main__":
    sys.exit(main())
