"""The real program in a real terminal, its boxes drawn on that terminal."""

import os
import signal
import subprocess
import tempfile
import time
import unittest

from boxes import TerminalBoxes
from parallel import each
from record import Record
from scenario import BLUE, DARK_YELLOW, TAUNT, run_sequence, taunt_on_console
from terminal import GREETING_UTF8, MERONG, Terminal, in_bash, wait_for
from terminal import setUpModule, tearDownModule  # noqa: F401 (sanitizer reports)

KOREAN = {"LANG": "ko_KR.UTF-8"}
STAGE_1 = b"\x1b[0;97;44m" + TAUNT.encode()

class Sequence(unittest.TestCase):
    def test_whole_sequence_with_every_way_to_dismiss(self):
        with Terminal(env=KOREAN) as term:
            boxes = TerminalBoxes(term)
            run_sequence(self, term, boxes, GREETING_UTF8["ko"],
                         ["Enter", "Escape", "Space", "click OK", "close"])

    def test_greeting_reads_in_the_locales_code_page(self):
        def greeting(case):
            env = {"LANG": case["locale"]} if case["locale"] != "C" else {"LANG": None,
                                                                            "LC_ALL": "C"}
            with Terminal(env=env) as term:
                boxes = TerminalBoxes(term)
                boxes.wait(1, case["reads"])
                # Over the console, which shows nothing yet: the prompt is
                # hidden under the box, on a screen of its own.
                self.assertIsNone(boxes.screen.find("prompt>"))

        each(self, [{"locale": "ko_KR.UTF-8", "reads": GREETING_UTF8["ko"]},
                    {"locale": "en_US.UTF-8", "reads": GREETING_UTF8["en"]},
                    {"locale": "C", "reads": GREETING_UTF8["en"]}], greeting)

    def test_box_over_the_console_keeps_its_colours_around_it(self):
        with Terminal(env=KOREAN) as term:
            boxes = TerminalBoxes(term)
            boxes.wait(1, GREETING_UTF8["ko"])
            boxes.dismiss("Enter")
            boxes.wait(2, "merong")
            screen = boxes.screen
            row, col = screen.find("[ OK ]")
            self.assertEqual({bg for _, bg in screen.colours(row, 0, 10)}, {DARK_YELLOW})

    def test_keys_typed_before_a_box_do_not_dismiss_it(self):
        with Terminal(env=KOREAN) as term:
            boxes = TerminalBoxes(term)
            boxes.wait(1, GREETING_UTF8["ko"])
            boxes.dismiss("Enter")
            wait_for("stage 3", lambda: taunt_on_console(term, "", DARK_YELLOW), timeout=10)
            term.send("Enter")
            term.send("Escape")
            boxes.wait(2, "merong")
            time.sleep(0.5)
            self.assertEqual(boxes.shown(), 2)

    def test_resized_terminal_gets_the_box_centred_again(self):
        with Terminal(env=KOREAN, cols=80, rows=24) as term:
            boxes = TerminalBoxes(term)
            boxes.wait(1, GREETING_UTF8["ko"])
            self.assertEqual(boxes.screen.find("[ OK ]"), (13, 37))
            term.tmux("resize-window", "-x", "40", "-y", "10")
            term.cols, term.rows = 40, 10
            wait_for("the box centred anew", lambda: term.screen().find("[ OK ]") == (6, 17))
            boxes.dismiss("Enter")
            wait_for("stage 1", lambda: taunt_on_console(term, "prompt> ", BLUE))


class Ending(unittest.TestCase):
    """Ended from outside in any state, by the signal's own default action;
    and but for SIGKILL, which cannot be caught, the terminal is left as it
    was found."""

    STATES = ["greeting box", "pause", "merong box", "right after a dismissal"]

    def reach(self, term, state):
        boxes = TerminalBoxes(term)
        boxes.wait(1, GREETING_UTF8["ko"])
        if state == "greeting box":
            return
        boxes.dismiss("Enter")
        # In a pause once a taunt is out (seen in what the program wrote: a
        # busy machine may not look at the screen within the two seconds).
        wait_for("stage 1", lambda: STAGE_1 in term.output())
        if state == "pause":
            return
        boxes.wait(2, "merong")
        if state == "right after a dismissal":
            boxes.dismiss("Enter")

    def test_every_signal_in_every_state(self):
        signals = {"C-c": signal.SIGINT, "C-\\": signal.SIGQUIT, "SIGTERM": signal.SIGTERM,
                   "SIGHUP": signal.SIGHUP, "SIGUSR1": signal.SIGUSR1, "SIGUSR2": signal.SIGUSR2,
                   "SIGALRM": signal.SIGALRM, "SIGABRT": signal.SIGABRT, "SIGSEGV": signal.SIGSEGV,
                   "SIGKILL": signal.SIGKILL}
        cases = [{"front end": "terminal", "signal": how, "state": state}
                 for how in signals for state in self.STATES]

        def end_in(case):
            with Terminal(env=KOREAN) as term:
                self.reach(term, case["state"])
                term.end_by(case["signal"])
                number = signals[case["signal"]]
                self.assertEqual(term.wait_exit(), 128 + number)
                if number == signal.SIGKILL:
                    return "ended by the signal"
                self.assertEqual(term.file("after"), term.stty_before)
                self.assertEqual(term.modes(),
                                 {"alternate": False, "cursor_visible": True, "mouse": False})
                return "ended by the signal; terminal as found"

        each(self, cases, end_in, Record("ending-terminal", "tmux", cases))

    def test_closing_the_terminal_during_a_box(self):
        with Terminal(env=KOREAN) as term:
            self.reach(term, "merong box")
            term.tmux("kill-server")
            wait_for("the program's end", lambda: not term.alive(), timeout=5)

    def test_colours_in_force_stay_after_the_end(self):
        with Terminal(env=KOREAN) as term:
            self.reach(term, "merong box")
            term.send("C-c")
            term.wait_exit()
            # What the shell writes next comes in the last stage's colours.
            row, col = wait_for("the shell's output", lambda: term.screen().find("done"))
            self.assertEqual(term.screen().colours(row, col, 4), {(97, DARK_YELLOW)})

    def test_ctrl_z_gives_the_terminal_back_and_fg_brings_the_box_back(self):
        with in_bash(KOREAN) as term:
            boxes = TerminalBoxes(term)
            boxes.wait(1, GREETING_UTF8["ko"])
            term.send("C-z")
            wait_for("the shell's job report", lambda: term.screen().find("Stopped")
                     and not term.modes()["alternate"])
            self.assertTrue(term.modes()["cursor_visible"])
            term.send("fg", "Enter")
            wait_for("the box again", lambda: term.modes()["alternate"]
                     and term.screen().find(GREETING_UTF8["ko"]))
            boxes.dismiss("Enter")
            wait_for("stage 1", lambda: term.screen().find("merong ddddd"))


class Redirected(unittest.TestCase):
    """Wherever standard output goes, the boxes come on the terminal and the
    sequence runs to its end."""

    def test_every_kind_of_output(self):
        commands = {
            "file": '"$MERONG" > out.txt',
            "pipe that is read": '"$MERONG" | cat > out.txt',
            "pipe whose reader has gone": '"$MERONG" | true',
            "full device": '"$MERONG" > /dev/full',
            "closed descriptor": '"$MERONG" >&-',
            "null device": '"$MERONG" > /dev/null',
        }
        cases = [{"standard output": name} for name in commands]

        def output_to(case):
            name = case["standard output"]
            with Terminal(commands[name], env=KOREAN) as term:
                boxes = TerminalBoxes(term)
                boxes.wait(1, GREETING_UTF8["ko"])
                boxes.dismiss("Enter")
                boxes.wait(2, "merong")
                self.assertTrue(term.alive())
                # Nothing lost, when the program is killed as it only ever is.
                os.kill(term.pid, signal.SIGKILL)
                term.wait_exit()
                what = "boxes on the terminal; sequence to its end"
                if name in ("file", "pipe that is read"):
                    self.assertEqual(term.file("out.txt"), TAUNT * 3)
                    what += "; the taunt exactly 3 times after a kill"
                return what

        each(self, cases, output_to, Record("output", "tmux", cases))


class Surroundings(unittest.TestCase):
    """Arguments and terminals of every kind: the same sequence, every box
    still dismissable."""

    def test_arguments_and_terminal_sizes(self):
        surroundings = {
            "10,000 arguments": ('"$MERONG" $(seq 10000)', {}, 80, 24),
            "invalid UTF-8 arguments": ('"$MERONG" "$(printf "\\377\\376")" "$(printf "a\\300")"',
                                        {}, 80, 24),
            "TERM unset": ('"$MERONG"', {"TERM": None}, 80, 24),
            "1x1 terminal": ('"$MERONG"', {}, 1, 1),
            "300x100 terminal": ('"$MERONG"', {}, 300, 100),
        }
        cases = [{"case": name} for name in surroundings]

        def run_in(case):
            command, env, cols, rows = surroundings[case["case"]]
            with Terminal(command, cols, rows, dict(KOREAN, **env)) as term:
                boxes = TerminalBoxes(term)
                for count in (1, 2, 3):
                    boxes.wait(count, timeout=20)
                    wait_for(f"box {count} up", lambda: term.modes()["alternate"])
                    term.send("Enter")
                self.assertEqual(term.output().count(TAUNT.encode()), 3)
                self.assertTrue(term.alive())
                return "same sequence; every box dismissed"

        each(self, cases, run_in, Record("surroundings", "arguments-and-sizes", cases))

    def test_dumb_terminal_gets_boxes_as_lines_and_no_escapes(self):
        case = {"case": "TERM=dumb"}
        record = Record("surroundings", "dumb", [case])
        with Terminal(env=dict(KOREAN, TERM="dumb")) as term:
            shown = lambda: term.output().count(b"[ OK ]")  # noqa: E731
            wait_for("the greeting", lambda: shown() == 1)
            self.assertIn("Hello: 당신은...  [ OK ]", term.screen().all_text())
            for count, key in [(2, "Enter"), (3, "Escape")]:
                term.send(key)
                wait_for(f"box {count}", lambda: shown() == count, timeout=12)
            output = term.output()
            self.assertNotIn(b"\x1b", output)
            self.assertEqual(output.count(TAUNT.encode()), 3)
            record.held(case, "boxes as lines; no escape written; every box dismissed")


class Nowhere(unittest.TestCase):
    def test_no_terminal_and_no_display_runs_on_without_spinning(self):
        case = {"boxes": "no terminal, no display"}
        record = Record("nowhere", "nowhere", [case])
        with tempfile.TemporaryDirectory() as folder:
            out = os.path.join(folder, "out.txt")
            env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
            with open(out, "w") as f:
                process = subprocess.Popen([os.path.abspath(MERONG)], stdin=subprocess.DEVNULL,
                                           stdout=f, stderr=subprocess.DEVNULL, env=env,
                                           start_new_session=True)
            try:
                # No box can be shown: the stages run on, then the program
                # tries a box every two seconds, idle in between.
                wait_for("three taunts", lambda: read(out) == TAUNT * 3, timeout=15)
                before = cpu_seconds(process.pid)
                time.sleep(4)
                used = cpu_seconds(process.pid) - before
                self.assertLess(used, 0.2)
                self.assertIsNone(process.poll())
                record.held(case, f"runs on; {used / 4 * 100:.1f} % of a core while retrying")
            finally:
                process.kill()
                process.wait()


def read(path):
    with open(path) as f:
        return f.read()


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


if __name__ == "__main__":
    unittest.main()
