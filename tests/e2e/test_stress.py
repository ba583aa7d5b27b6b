"""The terminal box under stress: ended by Ctrl+C at random moments, many
times over; and one whole sequence under valgrind."""

import os
import random
import re
import signal
import subprocess
import tempfile
import termios
import time
import unittest

from record import held, start
from terminal import MERONG
from watch import Run, TerminalBoxes

ENV = {"PATH": "/usr/bin:/bin", "TERM": "xterm-256color", "LANG": "ko_KR.UTF-8"}
RUNS = int(os.environ.get("MERONG_STRESS_RUNS", "200"))
LEAVE = b"\x1b[?1006l\x1b[?1000l\x1b[?25h\x1b[?1049l"


class Stress(unittest.TestCase):
    def test_ctrl_c_at_random_moments_of_a_box(self):
        rng = random.Random(2026)
        for n in range(RUNS):
            run = Run([os.path.abspath(MERONG)], ENV)
            try:
                before = termios.tcgetattr(run.fd)
                TerminalBoxes(run).wait(1)
                time.sleep(rng.uniform(0, 0.02))
                os.write(run.fd, b"\x03")  # Ctrl+C, typed
                _, status = os.waitpid(run.pid, 0)
                run.pid = None
                self.assertTrue(os.WIFSIGNALED(status) and os.WTERMSIG(status) == signal.SIGINT,
                                f"run {n}: status {status}")
                # The terminal's modes as before, and the screen left.
                self.assertEqual(termios.tcgetattr(run.fd), before, f"run {n}")
                while run.read(0.2):
                    pass
                self.assertIn(LEAVE, run.output, f"run {n}")
            finally:
                run.end()
        start("stress")
        held("stress", {"case": f"Ctrl+C at a random moment of a box, {RUNS} runs"},
             "every run ended by SIGINT; terminal modes and screen as found every time")

    def test_whole_sequence_under_valgrind(self):
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
                os.waitpid(run.pid, 0)
                run.pid = None
            finally:
                run.end()
            with open(log) as f:
                report = f.read()
        self.assertIn("ERROR SUMMARY: 0 errors", report)
        lost = re.findall(r"(definitely|indirectly) lost: ([\d,]+) bytes", report)
        self.assertTrue(all(n == "0" for _, n in lost), report)
        start("valgrind")
        held("valgrind", {"case": "greeting, three stages, four boxes, SIGTERM"},
             "no memcheck error; nothing lost")


if __name__ == "__main__":
    unittest.main()
