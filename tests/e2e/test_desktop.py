"""The real program in a real terminal, its boxes as windows on a real X
server."""

import os
import shutil
import signal
import subprocess
import tempfile
import unittest

from desktop import DesktopBoxes, Xvfb
from scenario import BLUE, TerminalBoxes, run_sequence, taunt_on_console
from terminal import GREETING_UTF8, Terminal, wait_for

KOREAN = {"LANG": "ko_KR.UTF-8"}


class Desktop(unittest.TestCase):
    def setUp(self):
        self.x = Xvfb()
        self.addCleanup(self.x.close)

    def terminal(self, **env):
        return Terminal(env=dict(KOREAN, **self.x.env(), **env))

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
            window = boxes.wait(GREETING_UTF8["ko"], 1)
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

    def test_ctrl_c_while_a_window_is_up(self):
        with self.terminal() as term:
            DesktopBoxes(self.x).wait(GREETING_UTF8["ko"], 1)
            term.send("C-c")
            self.assertEqual(term.wait_exit(), 128 + signal.SIGINT)
            self.assertEqual(term.file("after"), term.stty_before)

    def test_closing_the_terminal_while_a_window_is_up(self):
        with self.terminal() as term:
            DesktopBoxes(self.x).wait(GREETING_UTF8["ko"], 1)
            term.tmux("kill-server")
            wait_for("the program's end", lambda: not term.alive(), timeout=5)

    def test_losing_the_display_while_a_window_is_up(self):
        with self.terminal() as term:
            DesktopBoxes(self.x).wait(GREETING_UTF8["ko"], 1)
            self.x.close()
            self.assertNotEqual(term.wait_exit(), 0)
            self.assertEqual(term.file("after"), term.stty_before)


class NoDesktop(unittest.TestCase):
    def test_display_that_is_not_there_falls_back_to_the_terminal(self):
        with Terminal(env=dict(KOREAN, DISPLAY=":4321", NO_AT_BRIDGE="1")) as term:
            boxes = TerminalBoxes(term)
            boxes.wait(GREETING_UTF8["ko"], 1)
            boxes.dismiss("Enter")
            wait_for("stage 1", lambda: taunt_on_console(term, "prompt> ", BLUE))
            # Nothing from the failed connection reached the console.
            self.assertEqual(term.screen().text(0).rstrip(), "prompt> merong ddddd")


if __name__ == "__main__":
    unittest.main()
