"""The real program in a real terminal, its boxes as windows on a real X
server."""

import os
import shutil
import signal
import subprocess
import tempfile
import unittest

from desktop import DesktopBoxes, Xvfb
from scenario import BLUE, TerminalBoxes, run_sequence, run_to_taunting, taunt_on_console
from record import held, start
from terminal import GREETING_UTF8, MERONG, Terminal, wait_for

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

    def test_every_signal_while_a_window_is_up(self):
        # The window leaves the terminal alone: whatever ends the program,
        # even SIGKILL, the terminal is as it was.
        start("ending-desktop")
        for how, number in [("C-c", signal.SIGINT), ("C-\\", signal.SIGQUIT),
                            ("SIGTERM", signal.SIGTERM), ("SIGHUP", signal.SIGHUP),
                            ("SIGKILL", signal.SIGKILL)]:
            for state in ["greeting", "merong"]:
                with self.subTest(signal=how, state=state), self.terminal() as term:
                    boxes = DesktopBoxes(self.x)
                    boxes.wait(GREETING_UTF8["ko"], 1)
                    if state == "merong":
                        run_to_taunting(self, term, boxes, GREETING_UTF8["ko"])
                    if how.startswith("C-"):
                        term.send(how)
                    else:
                        os.kill(term.pid, getattr(signal, how))
                    self.assertEqual(term.wait_exit(), 128 + number)
                    self.assertEqual(term.file("after"), term.stty_before)
                    wait_for("no window left", lambda: not self.x.windows("Hello"))
                    held("ending-desktop", {"front end": "desktop", "signal": how,
                                            "state": f"{state} window"},
                         "ended by the signal; terminal as found; window gone")

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
                boxes.wait(GREETING_UTF8["ko"], 1)
                boxes.dismiss("Enter")
                boxes.wait("merong", 2)
                boxes.dismiss("Escape")
                boxes.wait("merong", 3)
                with open(out) as f:
                    self.assertEqual(f.read(), "merong ddddd" * 3)
            finally:
                process.kill()
                process.wait()

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
