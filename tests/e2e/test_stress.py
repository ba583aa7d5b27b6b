"""The terminal box under stress: ended by Ctrl+C at random moments of a
box's life, many times over; and one whole sequence under valgrind."""

import os
import random
import re
import signal
import tempfile
import termios
import time
import unittest

from boxes import TerminalBoxes
from record import Record
from terminal import MERONG
from watch import ENV, Run

RUNS = int(os.environ.get("MERONG_STRESS_RUNS", "200"))
ENTER = b"\x1b[?1049h"
# What gives xterm back (as its terminfo entry has it): no mouse reporting,
# the cursor, the main screen.
LEAVE = [b"\x1b[?1006l\x1b[?1000l", b"\x1b[?25h", b"\x1b[?1049l"]


def before_it_is_drawn(run, boxes, rng):
    # Between the program's exec and its first box: start-up takes a
    # millisecond or two here.
    time.sleep(rng.uniform(0, 0.002))


def while_it_is_drawn(run, boxes, rng):
    # As soon as the program starts writing the box.
    deadline = time.monotonic() + 20
    while ENTER not in run.output() and time.monotonic() < deadline:
        run.pump(deadline - time.monotonic())
    time.sleep(rng.uniform(0, 0.001))


def while_it_waits(run, boxes, rng):
    boxes.wait(1)
    time.sleep(rng.uniform(0, 0.02))


def right_after_a_dismissal(run, boxes, rng):
    # While the box gives the terminal back, and the stage that follows
    # begins.
    boxes.wait(1)
    boxes.dismiss()
    time.sleep(rng.uniform(0, 0.002))


MOMENTS = [before_it_is_drawn, while_it_is_drawn, while_it_waits, right_after_a_dismissal]


class Stress(unittest.TestCase):
    def test_ctrl_c_at_random_moments_of_a_box(self):
        case = {"case": f"Ctrl+C at a random moment of a box, {RUNS} runs"}
        record = Record("stress", "ctrl-c", [case])
        rng = random.Random(2026)
        drawn = 0
        for n in range(RUNS):
            moment = MOMENTS[n % len(MOMENTS)]
            run = Run([os.path.abspath(MERONG)], ENV)
            try:
                moment(run, TerminalBoxes(run), rng)
                run.send_bytes(b"\x03")  # Ctrl+C, typed
                status = run.wait()
                what = f"run {n}, {moment.__name__}"
                self.assertTrue(os.WIFSIGNALED(status) and os.WTERMSIG(status) == signal.SIGINT,
                                f"{what}: status {status}")
                # The terminal's modes as they were before the program
                # started, and the screen given back if it was taken.
                self.assertEqual(termios.tcgetattr(run.fd), run.modes_before, what)
                while run.pump(0.2):
                    pass
                output = bytes(run.output())
                if ENTER in output:
                    drawn += 1
                    for sequence in LEAVE:
                        self.assertIn(sequence, output[output.rindex(ENTER):], what)
            finally:
                run.end()
        record.held(case, "every run ended by SIGINT; terminal modes and screen as found every "
                          f"time ({drawn} of them with a box drawn, the others before it)")

    def test_whole_sequence_under_valgrind(self):
        case = {"case": "greeting, three stages, four boxes, SIGTERM"}
        record = Record("valgrind", "memcheck", [case])
        with tempfile.TemporaryDirectory() as folder:
            log = os.path.join(folder, "valgrind.log")
            suppressions = os.path.join(os.path.dirname(__file__), "valgrind.supp")
            run = Run(["/usr/bin/valgrind", "--leak-check=full", f"--log-file={log}",
                       "--errors-for-leak-kinds=definite,indirect",
                       f"--suppressions={suppressions}", os.path.abspath(MERONG)], ENV)
            try:
                boxes = TerminalBoxes(run)
                boxes.wait(1, timeout=60)
                boxes.dismiss()
                for count in range(2, 6):
                    boxes.wait(count, timeout=60)
                    boxes.dismiss()
                os.kill(run.pid, signal.SIGTERM)
                run.wait(60)
            finally:
                run.end()
            with open(log) as f:
                report = f.read()
        self.assertIn("ERROR SUMMARY: 0 errors", report)
        lost = re.findall(r"(definitely|indirectly) lost: ([\d,]+) bytes", report)
        self.assertTrue(all(n == "0" for _, n in lost), report)
        record.held(case, "no memcheck error; nothing lost")


if __name__ == "__main__":
    unittest.main()
