"""The real program in a real terminal, its boxes drawn on that terminal."""

import os
import shutil
import signal
import subprocess
import tempfile
import time
import unittest

from scenario import BLUE, DARK_YELLOW, TAUNT, TerminalBoxes, run_sequence, taunt_on_console
from record import held, start
from terminal import GREETING_UTF8, MERONG, Terminal, wait_for

KOREAN = {"LANG": "ko_KR.UTF-8"}

# Where a sanitized build writes its reports, when it is the one under test.
SANITIZER_LOGS = os.environ.get("MERONG_SANITIZER_LOGS")


def setUpModule():
    if SANITIZER_LOGS:
        shutil.rmtree(SANITIZER_LOGS, ignore_errors=True)
        os.makedirs(SANITIZER_LOGS)


def tearDownModule():
    if SANITIZER_LOGS and os.listdir(SANITIZER_LOGS):
        reports = ""
        for name in sorted(os.listdir(SANITIZER_LOGS)):
            with open(os.path.join(SANITIZER_LOGS, name)) as f:
                reports += f.read()
        raise AssertionError("sanitizer reports:\n" + reports)


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
    """Ended from outside in any state, by the signal's own default action;
    and but for SIGKILL, which cannot be caught, the terminal is left as it
    was found."""

    STATES = ["greeting box", "pause", "merong box", "right after a dismissal"]

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
        if state == "right after a dismissal":
            boxes.dismiss("Enter")

    def end(self, term, how):
        if how.startswith("C-"):
            term.send(how)  # typed, so the terminal sends the signal
        else:
            os.kill(term.pid, getattr(signal, how))

    def test_every_signal_in_every_state(self):
        start("ending-terminal")
        for how, number in [("C-c", signal.SIGINT), ("C-\\", signal.SIGQUIT),
                            ("SIGTERM", signal.SIGTERM), ("SIGHUP", signal.SIGHUP),
                            ("SIGKILL", signal.SIGKILL)]:
            for state in self.STATES:
                with self.subTest(signal=how, state=state), Terminal(env=KOREAN) as term:
                    self.reach(term, state)
                    self.end(term, how)
                    self.assertEqual(term.wait_exit(), 128 + number)
                    case = {"front end": "terminal", "signal": how, "state": state}
                    if number == signal.SIGKILL:
                        held("ending-terminal", case, "ended by the signal")
                        continue
                    self.assertEqual(term.file("after"), term.stty_before)
                    self.assertEqual(term.modes(),
                                     {"alternate": False, "cursor_visible": True, "mouse": False})
                    held("ending-terminal", case, "ended by the signal; terminal as found")

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
        shell = "exec env PS1='$ ' bash --norc --noprofile -i"
        with Terminal(shell, env=KOREAN, started=False) as term:
            wait_for("bash's prompt", lambda: term.screen().find("$"))
            term.send('"$MERONG"', "Enter")
            term.wait_program()
            boxes = TerminalBoxes(term)
            boxes.wait(GREETING_UTF8["ko"], 1)
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
        start("output")
        for name, command in [
            ("file", '"$MERONG" > out.txt'),
            ("pipe that is read", '"$MERONG" | cat > out.txt'),
            ("pipe whose reader has gone", '"$MERONG" | true'),
            ("full device", '"$MERONG" > /dev/full'),
            ("closed descriptor", '"$MERONG" >&-'),
            ("null device", '"$MERONG" > /dev/null'),
        ]:
            with self.subTest(output=name), Terminal(command, env=KOREAN) as term:
                boxes = TerminalBoxes(term)
                boxes.wait(GREETING_UTF8["ko"], 1)
                boxes.dismiss("Enter")
                boxes.wait("merong", 2)
                self.assertTrue(term.alive())
                # Nothing lost, when the program is killed as it only ever is.
                os.kill(term.pid, signal.SIGKILL)
                term.wait_exit()
                what = "boxes on the terminal; sequence to its end"
                if name in ("file", "pipe that is read"):
                    self.assertEqual(term.file("out.txt"), TAUNT * 3)
                    what += "; the taunt exactly 3 times after a kill"
                held("output", {"standard output": name}, what)


class Surroundings(unittest.TestCase):
    """Arguments and terminals of every kind: the same sequence, every box
    still dismissable."""

    def test_arguments_and_terminal_sizes(self):
        start("surroundings")
        for name, command, env, cols, rows in [
            ("10,000 arguments", '"$MERONG" $(seq 10000)', {}, 80, 24),
            ("invalid UTF-8 arguments", '"$MERONG" "$(printf "\\377\\376")" "$(printf "a\\300")"',
             {}, 80, 24),
            ("TERM unset", '"$MERONG"', {"TERM": None}, 80, 24),
            ("1x1 terminal", '"$MERONG"', {}, 1, 1),
            ("300x100 terminal", '"$MERONG"', {}, 300, 100),
        ]:
            with self.subTest(name), Terminal(command, cols, rows, dict(KOREAN, **env)) as term:
                boxes = TerminalBoxes(term)
                for count in (1, 2, 3):
                    wait_for(f"box {count}", lambda: boxes.shown() >= count
                             and term.modes()["alternate"], timeout=12)
                    term.send("Enter")
                self.assertEqual(term.output().count(TAUNT.encode()), 3)
                self.assertTrue(term.alive())
                held("surroundings", {"case": name}, "same sequence; every box dismissed")

    def test_dumb_terminal_gets_boxes_as_lines_and_no_escapes(self):
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
            held("surroundings", {"case": "TERM=dumb"},
                 "boxes as lines; no escape written; every box dismissed")


class Nowhere(unittest.TestCase):
    def test_no_terminal_and_no_display_runs_on_without_spinning(self):
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
                start("nowhere")
                held("nowhere", {"boxes": "no terminal, no display"},
                     f"runs on; {used / 4 * 100:.1f} % of a core while retrying")
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
