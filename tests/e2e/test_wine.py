"""The Windows executable under Wine: its console in a real terminal, its
boxes on a real X server, read through Win32."""

import contextlib
import os
import unittest

from desktop import Xvfb
from scenario import BLUE, run_sequence, taunt_on_console
from terminal import GREETING_UTF8, Terminal, wait_for
from wine import EXE, WineBoxes, WinePrefix

x = wine = None
held = contextlib.ExitStack()


def setUpModule():
    # One X server and one prefix: the tests take their turns on them. No
    # window manager: with one, a box comes so soon after the last that a
    # key meant for the last now and then dismisses it too (the benchmark
    # measures both ways).
    global x, wine
    with contextlib.ExitStack() as stack:
        x = stack.enter_context(Xvfb())
        wine = WinePrefix(x.display)
        stack.callback(wine.close)
        held.push(stack.pop_all())


def tearDownModule():
    held.close()


@contextlib.contextmanager
def terminal(lang):
    with Terminal(f"wine {EXE}", env=dict(wine.vars, LANG=lang, MERONG=EXE)) as term:
        yield term
    # The next test starts on a desktop where no box of this one is left.
    wait_for("no box left", lambda: not x.windows("Hello"), timeout=10)


class Sequence(unittest.TestCase):
    def test_whole_sequence_with_every_way_to_dismiss(self):
        with terminal("ko_KR.UTF-8") as term:
            run_sequence(self, term, WineBoxes(wine, x, "ko_KR.UTF-8"), GREETING_UTF8["ko"],
                         ["Enter", "Escape", "Space", "click OK", "close"])

    def test_greeting_bytes_are_the_same_under_any_code_page(self):
        for lang in ["ko_KR.UTF-8", "en_US.UTF-8", "C"]:
            with self.subTest(lang=lang), terminal(lang) as term:
                WineBoxes(wine, x, lang).wait(1, GREETING_UTF8["ko"])
                pictures = os.environ.get("MERONG_PICTURES")
                if pictures and lang == "ko_KR.UTF-8":
                    window = wait_for("the box's X window", lambda: x.windows("Hello"))[-1]
                    x.screenshot(os.path.join(pictures, "wine-greeting.png"), window)


class Ending(unittest.TestCase):
    def test_ctrl_c_in_a_box_and_in_a_pause(self):
        for state in ["box", "pause"]:
            with self.subTest(state=state), terminal("ko_KR.UTF-8") as term:
                boxes = WineBoxes(wine, x, "ko_KR.UTF-8")
                boxes.wait(1, GREETING_UTF8["ko"])
                if state == "pause":
                    boxes.dismiss("Enter")
                    wait_for("stage 1", lambda: taunt_on_console(term, "prompt> ", BLUE))
                term.send("C-c")
                # Ended, with whatever status Wine gives a console program
                # ended by Ctrl+C.
                term.wait_exit(timeout=10)
                self.assertEqual(term.file("after"), term.stty_before)
                wait_for("no box left", lambda: not x.windows("Hello"), timeout=10)


if __name__ == "__main__":
    unittest.main()
