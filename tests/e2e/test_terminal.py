"""The real program in a real terminal, its boxes drawn on that terminal."""

import os
import signal
import time
import unittest

from scenario import BLUE, DARK_YELLOW, TAUNT, TerminalBoxes, run_sequence, taunt_on_console
from terminal import GREETING_UTF8, Terminal, wait_for

KOREAN = {"LANG": "ko_KR.UTF-8"}


class Sequence(unittest.TestCase):
    def test_whole_sequence_with_every_way_to_dismiss(self):
        with Terminal(env=KOREAN) as term:
            boxes = TerminalBoxes(term)
            run_sequence(self, term, boxes, GREETING_UTF8["ko"],
                         ["Enter", "Escape", "Space", "click OK", "close"])

    def test_greeting_reads_in_the_locales_code_page(self):
        for env, greeting in [({"LANG": "ko_KR.UTF-8"}, GREETING_UTF8["ko"]),
                              ({"LANG": "en_US.UTF-8"}, GREETING_UTF8["en"]),
                              ({"LANG": None, "LC_ALL": "C"}, GREETING_UTF8["en"])]:
            with self.subTest(env=env), Terminal(env=env) as term:
                screen = TerminalBoxes(term).wait(greeting, 1)
                # Over the console, which shows nothing yet: the prompt is
                # hidden under the box, on a screen of its own.
                self.assertIsNone(screen.find("prompt>"))

    def test_box_over_the_console_keeps_its_colours_around_it(self):
        with Terminal(env=KOREAN) as term:
            boxes = TerminalBoxes(term)
            boxes.wait(GREETING_UTF8["ko"], 1)
            boxes.dismiss("Enter")
            screen = boxes.wait("merong", 2)
            row, col = screen.find("[ OK ]")
            self.assertEqual({bg for _, bg in screen.colours(row, 0, 10)}, {DARK_YELLOW})

    def test_keys_typed_before_a_box_do_not_dismiss_it(self):
        with Terminal(env=KOREAN) as term:
            boxes = TerminalBoxes(term)
            boxes.wait(GREETING_UTF8["ko"], 1)
            boxes.dismiss("Enter")
            wait_for("stage 3", lambda: taunt_on_console(term, "", DARK_YELLOW), timeout=10)
            term.send("Enter")
            term.send("Escape")
            boxes.wait("merong", 2)
            time.sleep(0.5)
            self.assertEqual(boxes.shown(), 2)

    def test_resized_terminal_gets_the_box_centred_again(self):
        with Terminal(env=KOREAN, cols=80, rows=24) as term:
            boxes = TerminalBoxes(term)
            screen = boxes.wait(GREETING_UTF8["ko"], 1)
            self.assertEqual(screen.find("[ OK ]"), (13, 37))
            term.tmux("resize-window", "-x", "40", "-y", "10")
            term.cols, term.rows = 40, 10
            wait_for("the box centred anew", lambda: term.screen().find("[ OK ]") == (6, 17))
            boxes.dismiss("Enter")
            wait_for("stage 1", lambda: taunt_on_console(term, "prompt> ", BLUE))


class Ending(unittest.TestCase):
    """Ended from outside in any state, the terminal is left as it was."""

    def reach(self, term, state):
        boxes = TerminalBoxes(term)
        boxes.wait(GREETING_UTF8["ko"], 1)
        if state == "greeting box":
            return
        boxes.dismiss("Enter")
        wait_for("stage 1", lambda: taunt_on_console(term, "prompt> ", BLUE))
        if state == "pause":
            return
        boxes.wait("merong", 2)

    def test_ctrl_c_and_ctrl_backslash_in_every_state(self):
        for keys, status in [("C-c", 128 + signal.SIGINT), ("C-\\", 128 + signal.SIGQUIT)]:
            for state in ["greeting box", "pause", "merong box"]:
                with self.subTest(keys=keys, state=state), Terminal(env=KOREAN) as term:
                    self.reach(term, state)
                    term.send(keys)
                    self.assertEqual(term.wait_exit(), status)
                    self.assertEqual(term.file("after"), term.stty_before)
                    self.assertEqual(term.modes(),
                                     {"alternate": False, "cursor_visible": True, "mouse": False})

    def test_sigterm_in_a_box(self):
        with Terminal(env=KOREAN) as term:
            self.reach(term, "merong box")
            os.kill(term.pid, signal.SIGTERM)
            self.assertEqual(term.wait_exit(), 128 + signal.SIGTERM)
            self.assertEqual(term.file("after"), term.stty_before)
            self.assertFalse(term.modes()["alternate"])

    def test_colours_in_force_stay_after_the_end(self):
        with Terminal(env=KOREAN) as term:
            self.reach(term, "merong box")
            term.send("C-c")
            term.wait_exit()
            # What the shell writes next comes in the last stage's colours.
            row, col = wait_for("the shell's output", lambda: term.screen().find("done"))
            self.assertEqual(term.screen().colours(row, col, 4), {(97, DARK_YELLOW)})


class Redirected(unittest.TestCase):
    def test_output_to_a_file_is_the_taunt_three_times_and_survives_a_kill(self):
        with Terminal('"$MERONG" > out.txt', env=KOREAN) as term:
            boxes = TerminalBoxes(term)
            boxes.wait(GREETING_UTF8["ko"], 1)
            boxes.dismiss("Enter")
            boxes.wait("merong", 2)
            os.kill(term.pid, signal.SIGKILL)
            self.assertEqual(term.wait_exit(), 128 + signal.SIGKILL)
            self.assertEqual(term.file("out.txt"), TAUNT * 3)


if __name__ == "__main__":
    unittest.main()
