"""The terminal box on terminals unlike xterm: no alternate screen, no
background colour erase, GNU screen as Debian ships it, East Asian widths,
a character set that is not UTF-8; and through a shell's job control."""

import os
import shutil
import signal
import tempfile
import time
import unittest

from boxes import TerminalBoxes
from parallel import each
from record import Record
from scenario import BLUE, BRIGHT_WHITE, DARK_YELLOW, GREEN, TAUNT
from terminal import GREETING_UTF8, Terminal, in_bash, make_locale, shquote, wait_for
from terminal import Screen as Cells
from terminal import setUpModule, tearDownModule  # noqa: F401 (sanitizer reports)

KOREAN = {"LANG": "ko_KR.UTF-8"}
# What the user had on the terminal before the program: it must stay.
BEFORE = 'echo "what was there"; echo "before it"; '


def box_rows(screen):
    """The rows the box takes: from its title to its bottom border."""
    top = screen.find("Hello")[0]
    bottom = next(r for r in range(top + 1, len(screen.rows))
                  if screen.text(r).strip().startswith(("└", "+")))
    return top, bottom


class NoAlternateScreen(unittest.TestCase):
    """vt100 and the Linux console: the box is drawn over the console in its
    own rectangle, and blanked when it goes."""

    def test_the_console_stays_around_the_box_and_comes_back(self):
        def on(case):
            with Terminal(BEFORE + '"$MERONG"', env=dict(KOREAN, TERM=case["TERM"])) as term:
                boxes = TerminalBoxes(term)
                wait_for("the greeting", lambda: "[ OK ]" in term.screen().all_text())
                screen = term.screen()
                self.assertFalse(term.modes()["alternate"])
                self.assertEqual(screen.text(0).rstrip(), "prompt> what was there")
                self.assertEqual(screen.text(1).rstrip(), "before it")
                self.assertIn(GREETING_UTF8["ko"], screen.all_text())
                # Without colours, the title bar and the button in reverse video.
                self.assertIn(b"\x1b[0;7m" if case["colours"] == 0 else b"\x1b[0;97;44m",
                              term.output())
                top, bottom = box_rows(screen)
                boxes.dismiss("Enter")
                # The rectangle blank again, the taunt where the cursor was.
                wait_for("stage 1", lambda: TAUNT in term.screen().text(2))
                screen = term.screen()
                self.assertEqual(screen.text(0).rstrip(), "prompt> what was there")
                self.assertEqual(screen.text(2).rstrip(), TAUNT)
                self.assertEqual(screen.colours(2, 0, len(TAUNT)), {(BRIGHT_WHITE, BLUE)})
                for row in range(top, bottom + 1):
                    self.assertEqual(screen.text(row).strip(), "", row)
                # Ended during a box: no box left behind, the shell's word
                # where the cursor was.
                wait_for("the merong box", lambda: "merong" in term.screen().all_text()
                         and "[ OK ]" in term.screen().all_text(), timeout=10)
                term.send("C-c")
                self.assertEqual(term.wait_exit(), 128 + signal.SIGINT)
                wait_for("the shell's word", lambda: "done" in term.screen().all_text())
                self.assertNotIn("[ OK ]", term.screen().all_text())
                self.assertEqual(term.file("after"), term.stty_before)
                return ("box over the console in its own rectangle, blanked when it goes; "
                        "taunt where the cursor was; Ctrl+C leaves no box"
                        + ("; reverse video for want of colours" if not case["colours"] else ""))

        cases = [{"TERM": "vt100", "colours": 0}, {"TERM": "linux", "colours": 8}]
        record = Record("terminals", "no-alternate-screen",
                        [{"terminal": f"tmux with TERM={c['TERM']}"} for c in cases])
        each(self, cases, lambda case: record.held({"terminal": f"tmux with TERM={case['TERM']}"},
                                                   on(case)))


class Screen(unittest.TestCase):
    """GNU screen with Debian's configuration: no alternate screen, no
    background colour erase, a lone Esc held back while the mouse is
    reported; and under a Korean locale, line-drawing characters two
    columns wide."""

    def screen(self, lang):
        folder = tempfile.mkdtemp(prefix="merong-screen-")
        self.addCleanup(shutil.rmtree, folder, True)
        # screen takes its character set and its widths from the locale: it
        # must be there.
        make_locale(folder, lang, *lang.split("."))
        sockets = os.path.join(folder, "sockets")
        os.mkdir(sockets, 0o700)
        rc = os.path.join(folder, "screenrc")
        with open(rc, "w") as f:
            f.write("deflogin off\nstartup_message off\n")
        inner = BEFORE + '"$MERONG"; sleep 3600'
        command = f"SCREENDIR={shquote(sockets)} screen -c {shquote(rc)} sh -c {shquote(inner)}"
        return Terminal(command, env={"LANG": lang, "TERM": "xterm-256color", "LOCPATH": folder})

    def test_box_floods_and_keys_in_screen(self):
        case = {"terminal": "GNU screen, Debian's configuration"}
        record = Record("terminals", "screen", [case])
        with self.screen("en_US.UTF-8") as term:
            wait_for("the greeting", lambda: "[ OK ]" in term.screen().all_text())
            self.assertIn("what was there", term.screen().all_text())
            # Esc, which screen holds back while the mouse is reported and
            # sends with the next key: one dismissal for the two.
            term.send("Escape")
            time.sleep(0.2)
            term.send("Enter")
            # Each clear paints every cell in the stage's colour (the first
            # row has the next taunt on it).
            for colour in (BLUE, GREEN):
                wait_for(f"the console {colour}",
                         lambda: self.flooded(term, colour, range(1, term.rows)), timeout=10)
            # The last, under the "merong" box, drawn over it.
            wait_for("the merong box", lambda: "merong" in term.screen().all_text()
                     and "[ OK ]" in term.screen().all_text(), timeout=10)
            top, bottom = box_rows(term.screen())
            outside = [r for r in range(term.rows) if not top <= r <= bottom]
            self.assertTrue(self.flooded(term, DARK_YELLOW, outside))
        record.held(case, "console kept around the box; each clear floods every cell; "
                          "Esc held back by screen and sent with Enter: one dismissal")

    def flooded(self, term, colour, rows):
        """Whether every cell of the rows has the background colour; trailing
        blanks kept (-N), as an erase in the default colours leaves none."""
        screen = Cells(term.tmux("capture-pane", "-p", "-e", "-N"), term.cols, term.rows)
        backgrounds = {cell.bg for r in rows for cell in screen.rows[r]}
        return backgrounds == {colour} and all(len(screen.rows[r]) == term.cols for r in rows)

    def test_frame_lines_up_under_a_korean_locale(self):
        case = {"terminal": "GNU screen, Korean locale (wide line-drawing characters)"}
        record = Record("terminals", "screen-korean", [case])
        with self.screen("ko_KR.UTF-8") as term:
            wait_for("the greeting", lambda: "[ OK ]" in term.screen().all_text())
            screen = term.screen()
            top, bottom = box_rows(screen)
            # Every row of the box ends in the same column.
            ends = {len(screen.rows[r]) - len(screen.text(r)) + len(screen.text(r).rstrip())
                    for r in range(top, bottom + 1)}
            self.assertEqual(len(ends), 1, screen.all_text())
        record.held(case, "the frame lines up (ASCII), the greeting in Korean")


class Charset(unittest.TestCase):
    def test_a_latin_1_terminal_gets_latin_1(self):
        case = {"terminal": "tmux, an ISO-8859-1 locale"}
        record = Record("terminals", "latin-1", [case])
        folder = tempfile.mkdtemp(prefix="merong-locale-")
        self.addCleanup(shutil.rmtree, folder, True)
        make_locale(folder, "en_US", "en_US", "ISO-8859-1")
        with Terminal(env={"LANG": "en_US", "LOCPATH": folder}) as term:
            TerminalBoxes(term).wait(1)
            wait_for("the greeting", lambda: b"[ OK ]" in term.output())
            output = term.output()
            # The greeting's bytes read in 1252, written in ISO-8859-1, in an
            # ASCII frame.
            self.assertIn(b"\xb4\xe7\xbd\xc5\xc0\xba...", output)
            self.assertNotIn("´".encode(), output)
            self.assertNotIn("┌".encode(), output)
        record.held(case, "the box written in ISO-8859-1, in an ASCII frame")


class JobControl(unittest.TestCase):
    """In an interactive bash, as a user stops and continues it."""

    def bash(self):
        term = in_bash(KOREAN)
        try:
            TerminalBoxes(term).wait(1, GREETING_UTF8["ko"])
        except BaseException:
            term.close()
            raise
        return term

    def stopped(self, term):
        with open(f"/proc/{term.pid}/stat") as f:
            return f.read().rsplit(")", 1)[1].split()[0] == "T"

    def released(self, term):
        """The terminal is the shell's: main screen, cursor, no mouse."""
        return term.modes() == {"alternate": False, "cursor_visible": True, "mouse": False}

    def test_ctrl_z_bg_a_command_then_fg(self):
        case = {"terminal": "bash in tmux: Ctrl+Z, bg, a command, fg"}
        record = Record("terminals", "job-control-bg", [case])
        with self.bash() as term:
            term.send("C-z")
            wait_for("the job stopped", lambda: "Stopped" in term.screen().all_text()
                     and self.released(term))
            # Continued in the background, it does not take the terminal: it
            # stops again at once, as anything that would use it there does,
            # and the shell has it all.
            term.send("bg", "Enter")
            time.sleep(0.5)
            self.assertTrue(self.released(term))
            term.send("echo typed at the prompt", "Enter")
            wait_for("the command's output",
                     lambda: term.screen().all_text().count("typed at the prompt") >= 2)
            wait_for("the job stopped again", lambda: self.stopped(term)
                     and term.screen().all_text().count("Stopped") >= 2)
            self.assertTrue(self.released(term))
            term.send("fg", "Enter")
            wait_for("the box again", lambda: term.modes()["alternate"]
                     and term.screen().find(GREETING_UTF8["ko"]))
            term.send("Enter")
            wait_for("stage 1", lambda: term.screen().find(TAUNT) and not term.modes()["alternate"])
        record.held(case, "terminal given back on the stop; stopped again in the background, "
                          "the shell's all the while; the box back with fg")

    def test_stopped_from_outside_then_fg(self):
        case = {"terminal": "bash in tmux: kill -STOP, fg"}
        record = Record("terminals", "job-control-stop", [case])
        with self.bash() as term:
            os.kill(term.pid, signal.SIGSTOP)
            wait_for("the job stopped", lambda: "Stopped" in term.screen().all_text())
            term.send("fg", "Enter")
            # Drawn again, in the box's own modes: keys are read one by one
            # and not echoed.
            wait_for("the box again", lambda: term.modes()["alternate"]
                     and term.screen().find(GREETING_UTF8["ko"]))
            time.sleep(0.3)
            term.send("Enter")
            wait_for("stage 1", lambda: term.screen().find(TAUNT) and not term.modes()["alternate"])
        record.held(case, "the box drawn again, in its own modes, with fg")


if __name__ == "__main__":
    unittest.main()
