"""The real program in a real terminal, its boxes as windows on a real X
server."""

import os
import shutil
import signal
import subprocess
import tempfile
import unittest

from boxes import DesktopBoxes, TerminalBoxes
from desktop import Xvfb
from parallel import each
from record import Record
from scenario import BLUE, run_sequence, run_to_taunting, taunt_on_console
from terminal import GREETING_UTF8, MERONG, Terminal, wait_for

KOREAN = {"LANG": "ko_KR.UTF-8"}


class Desktop(unittest.TestCase):
    def setUp(self):
        self.x = Xvfb()
        self.addCleanup(self.x.close)

    def terminal(self, command='"$MERONG"', **env):
        return Terminal(command, env=dict(KOREAN, **self.x.env(), **env))

    def test_whole_sequence_with_every_way_to_dismiss(self):
        with self.terminal() as term:
            boxes = DesktopBoxes(self.x)
            run_sequence(self, term, boxes, GREETING_UTF8["ko"],
                         ["Enter", "Escape", "Space", "click OK", "close"])
            # The console never left its own screen.
            self.assertNotIn(b"\x1b[?1049h", term.output())

    def test_greeting_shows_its_text(self):
        with self.terminal() as term:
            boxes = DesktopBoxes(self.x)
            boxes.wait(1, GREETING_UTF8["ko"])
            window = boxes.window()
            x, y, width, height = boxes.geometry(window)
            # Centred on the screen, to the pixel.
            self.assertAlmostEqual(x + width / 2, 512, delta=1)
            self.assertAlmostEqual(y + height / 2, 384, delta=1)
            folder = os.environ.get("MERONG_PICTURES") or tempfile.mkdtemp()
            picture = os.path.join(folder, "desktop-greeting.png")
            self.x.screenshot(picture, window)
            # The text above the button is not blank.
            spread = subprocess.run(
                ["convert", picture, "-crop", f"{width}x{height - 40}+0+0", "-colorspace", "gray",
                 "-format", "%[fx:standard_deviation]", "info:"],
                check=True, capture_output=True, text=True).stdout
            self.assertGreater(float(spread), 0.05)
            if not os.environ.get("MERONG_PICTURES"):
                shutil.rmtree(folder)

    def test_every_signal_while_a_window_is_up(self):
        # The window leaves the terminal alone: whatever ends the program,
        # even SIGKILL, the terminal is as it was.
        signals = {"C-c": signal.SIGINT, "C-\\": signal.SIGQUIT, "SIGTERM": signal.SIGTERM,
                   "SIGHUP": signal.SIGHUP, "SIGKILL": signal.SIGKILL}
        cases = [{"front end": "desktop", "signal": how, "state": f"{state} window"}
                 for how in signals for state in ["greeting", "merong"]]

        def end_in(case):
            # An X server of each case's own: its windows are its own.
            with Xvfb() as x, Terminal(env=dict(KOREAN, **x.env())) as term:
                boxes = DesktopBoxes(x)
                boxes.wait(1, GREETING_UTF8["ko"])
                if case["state"] == "merong window":
                    run_to_taunting(self, term, boxes, GREETING_UTF8["ko"])
                term.end_by(case["signal"])
                self.assertEqual(term.wait_exit(), 128 + signals[case["signal"]])
                self.assertEqual(term.file("after"), term.stty_before)
                wait_for("no window left", lambda: not x.windows("Hello"))
                return "ended by the signal; terminal as found; window gone"

        each(self, cases, end_in, Record("ending-desktop", "xvfb", cases))

    def test_standard_descriptors_closed(self):
        # Started with standard output closed: the display connection must
        # not take its number, or the taunt would be written into it, and no
        # "merong" window would ever come.
        with self.terminal(command='"$MERONG" >&-') as term:
            boxes = DesktopBoxes(self.x)
            for count, text in [(1, GREETING_UTF8["ko"]), (2, "merong"), (3, "merong")]:
                boxes.wait(count, text)
                boxes.dismiss("Escape")
            self.assertTrue(term.alive())
            # Nothing reached the terminal: it had no part in this.
            self.assertNotIn(b"merong ddddd", term.output())

    def test_display_without_a_terminal(self):
        # Started with no controlling terminal at all, as from a desktop
        # session's autostart: the windows are all there is.
        with tempfile.TemporaryDirectory() as folder:
            out = os.path.join(folder, "out.txt")
            with open(out, "w") as f:
                process = subprocess.Popen(
                    ["setsid", os.path.abspath(MERONG)], stdin=subprocess.DEVNULL, stdout=f,
                    stderr=subprocess.DEVNULL, env=dict(os.environ, **KOREAN, **self.x.env()))
            try:
                boxes = DesktopBoxes(self.x)
                boxes.wait(1, GREETING_UTF8["ko"])
                boxes.dismiss("Enter")
                boxes.wait(2, "merong")
                boxes.dismiss("Escape")
                boxes.wait(3, "merong")
                with open(out) as f:
                    self.assertEqual(f.read(), "merong ddddd" * 3)
            finally:
                process.kill()
                process.wait()

    def test_closing_the_terminal_while_a_window_is_up(self):
        with self.terminal() as term:
            DesktopBoxes(self.x).wait(1, GREETING_UTF8["ko"])
            term.tmux("kill-server")
            wait_for("the program's end", lambda: not term.alive(), timeout=5)

    def test_losing_the_display_while_a_window_is_up(self):
        with self.terminal() as term:
            DesktopBoxes(self.x).wait(1, GREETING_UTF8["ko"])
            self.x.close()
            self.assertNotEqual(term.wait_exit(), 0)
            self.assertEqual(term.file("after"), term.stty_before)


class NoDesktop(unittest.TestCase):
    def test_display_that_is_not_there_falls_back_to_the_terminal(self):
        with Terminal(env=dict(KOREAN, DISPLAY=":4321", NO_AT_BRIDGE="1")) as term:
            boxes = TerminalBoxes(term)
            boxes.wait(1, GREETING_UTF8["ko"])
            boxes.dismiss("Enter")
            wait_for("stage 1", lambda: taunt_on_console(term, "prompt> ", BLUE))
            # Nothing from the failed connection reached the console.
            self.assertEqual(term.screen().text(0).rstrip(), "prompt> merong ddddd")


if __name__ == "__main__":
    unittest.main()
