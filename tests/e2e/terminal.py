"""The program on a pseudo-terminal of its own, shown by a real terminal
emulator (tmux) and read back cell by cell with its colours."""

import os
import re
import shutil
import signal
import subprocess
import tempfile
import time
import unicodedata

MERONG = os.environ.get("MERONG", "merong")
GREETING_UTF8 = {"ko": "당신은...", "en": "´ç½ÅÀº..."}

# Runs the command once the test says go, after a prompt of its own, and
# notes its exit status and the terminal's modes before and after. The trap
# keeps this shell alive through the Ctrl+C or Ctrl+\ meant for the program;
# the program itself gets the default actions back.
WRAPPER = r"""
trap : INT QUIT
stty -g > before
printf 'prompt> '
while [ ! -e go ]; do sleep 0.01; done
eval "$1"
status=$?
stty -g > after
echo $status > status
printf done
exec sleep 3600
"""


# How often a test looks again at what it waits for: often enough to see each
# two-second stage several times, seldom enough that many scenarios side by
# side leave the machine to the programs.
POLL = 0.1


def wait_for(what, check, timeout=10.0, interval=POLL, seen=None):
    """Polls check() until it returns something true, and returns that. On a
    time-out, what seen() returns says what there was instead."""
    deadline = time.monotonic() + timeout
    while True:
        result = check()
        if result:
            return result
        if time.monotonic() > deadline:
            instead = f"; instead:\n{seen()}" if seen else ""
            raise AssertionError(f"timed out waiting for {what}{instead}")
        time.sleep(interval)


class Cell:
    __slots__ = ("char", "fg", "bg")

    def __init__(self, char, fg, bg):
        self.char, self.fg, self.bg = char, fg, bg

    def __repr__(self):
        return f"Cell({self.char!r}, {self.fg}, {self.bg})"


class Screen:
    """What tmux shows: rows of cells, each with its SGR colours (30-37 and
    90-97 for the foreground, 40-47 and 100-107 for the background, None for
    the terminal's default)."""

    SGR = re.compile(r"\x1b\[([0-9;:]*)m")

    def __init__(self, captured, cols, rows):
        self.rows = []
        # The colours carry on from one line to the next, as tmux writes them.
        fg = bg = None
        for line in captured.split("\n")[:rows]:
            cells, i = [], 0
            while i < len(line):
                m = self.SGR.match(line, i)
                if m:
                    fg, bg = self._sgr(m.group(1), fg, bg)
                    i = m.end()
                    continue
                ch = line[i]
                i += 1
                cells.append(Cell(ch, fg, bg))
                if unicodedata.east_asian_width(ch) in "WF":
                    cells.append(Cell("", fg, bg))
            self.rows.append(cells)
        while len(self.rows) < rows:
            self.rows.append([])

    @staticmethod
    def _sgr(params, fg, bg):
        values = [int(p) if p else 0 for p in re.split("[;:]", params)] if params else [0]
        i = 0
        while i < len(values):
            v = values[i]
            if v == 0:
                fg = bg = None
            elif 30 <= v <= 37 or 90 <= v <= 97:
                fg = v
            elif v == 39:
                fg = None
            elif 40 <= v <= 47 or 100 <= v <= 107:
                bg = v
            elif v == 49:
                bg = None
            elif v in (38, 48):  # 256 colours or RGB: not ours
                i += 2 if i + 1 < len(values) and values[i + 1] == 5 else 4
            i += 1
        return fg, bg

    def text(self, row):
        return "".join(c.char for c in self.rows[row])

    def all_text(self):
        return "\n".join(self.text(r) for r in range(len(self.rows)))

    def find(self, text):
        """(row, column) of text on screen, or None."""
        for r, cells in enumerate(self.rows):
            columns = [col for col, c in enumerate(cells) if c.char]
            index = "".join(c.char for c in cells).find(text)
            if index >= 0:
                return r, columns[index]
        return None

    def colours(self, row, col, length):
        """The set of (fg, bg) of length cells from (row, col)."""
        return {(c.fg, c.bg) for c in self.rows[row][col : col + length]}


class Terminal:
    """A tmux server of our own with one pane, the given size and locale,
    running the shell command `command` (where "$MERONG" is the program)."""

    def __init__(self, command='"$MERONG"', cols=80, rows=24, env=None, started=True):
        self.cols, self.rows = cols, rows
        self.dir = tempfile.mkdtemp(prefix="merong-e2e-")
        self.socket = os.path.join(self.dir, "tmux")
        with open(os.path.join(self.dir, "wrapper.sh"), "w") as f:
            f.write(WRAPPER)
        environment = {"MERONG": os.path.abspath(MERONG), "TERM": "tmux-256color", "LANG": "C"}
        environment.update(env or {})
        assignments = " ".join(f"{k}={shquote(v)}" for k, v in environment.items() if v is not None)
        unset = " ".join(f"-u {k}" for k, v in environment.items() if v is None)
        pane = f"cd {shquote(self.dir)} && exec env {unset} {assignments} sh wrapper.sh {shquote(command)}"
        server_env = dict(os.environ, LANG="C.UTF-8")
        server_env.pop("TMUX", None)
        self.pid = None
        self.log = os.path.join(self.dir, "output")
        try:
            subprocess.run(
                ["tmux", "-u", "-S", self.socket, "-f", "/dev/null", "new-session", "-d",
                 "-x", str(cols), "-y", str(rows), pane],
                check=True, env=server_env)
            self.tmux("set-option", "-g", "status", "off")
            self.stty_before = wait_for("the wrapper's start", lambda: self.file("before"))
            self.tmux("pipe-pane", "-o", f"cat >> {shquote(self.log)}")
            open(os.path.join(self.dir, "go"), "w").close()
            if started:
                self.wait_program()
        except BaseException:
            self.close()
            raise

    def wait_program(self):
        """Waits until the program runs, somewhere under the pane's shell."""
        self.pid = wait_for("the program", self._program)
        return self.pid

    def _program(self):
        pids = [int(self.display("#{pane_pid}"))]
        while pids:
            pid = pids.pop(0)
            try:
                exe = os.readlink(f"/proc/{pid}/exe")
                with open(f"/proc/{pid}/task/{pid}/children") as f:
                    pids += [int(p) for p in f.read().split()]
            except OSError:
                continue
            if os.path.basename(exe).startswith("merong") or "wine" in exe:
                return pid
        return None

    def tmux(self, *args):
        return subprocess.run(["tmux", "-S", self.socket, *args], check=True,
                              capture_output=True, text=True).stdout

    def display(self, fmt):
        return self.tmux("display-message", "-p", fmt).strip()

    def screen(self):
        return Screen(self.tmux("capture-pane", "-p", "-e"), self.cols, self.rows)

    def cursor(self):
        x, y = self.display("#{cursor_x} #{cursor_y}").split()
        return int(x), int(y)

    def modes(self):
        """The terminal's modes that a program can leave behind."""
        alternate, cursor, mouse = self.display(
            "#{alternate_on} #{cursor_flag} "
            "#{mouse_any_flag}#{mouse_standard_flag}#{mouse_button_flag}").split()
        return {"alternate": alternate == "1", "cursor_visible": cursor == "1",
                "mouse": mouse != "000"}

    def pump(self, timeout):
        """Lets the program write for a while: tmux reads it meanwhile."""
        time.sleep(min(max(timeout, 0), POLL))

    def send(self, *keys):
        self.tmux("send-keys", *keys)

    def end_by(self, how):
        """Ends the program as a user or another process would: a key typed
        as tmux names it ("C-c"), so that the terminal sends the signal, or
        a signal by its name ("SIGTERM")."""
        if how.startswith("C-"):
            self.send(how)
        else:
            os.kill(self.pid, getattr(signal, how))

    def send_bytes(self, data):
        self.tmux("send-keys", "-H", *(f"{b:02x}" for b in data))

    def output(self):
        """Everything the program wrote to the terminal so far."""
        try:
            with open(self.log, "rb") as f:
                return f.read()
        except OSError:
            return b""

    def file(self, name):
        try:
            with open(os.path.join(self.dir, name)) as f:
                return f.read()
        except OSError:
            return None

    def alive(self):
        if self.pid is None:
            return False
        try:
            with open(f"/proc/{self.pid}/stat") as f:
                return f.read().split(")")[-1].split()[0] not in ("Z", "X")
        except OSError:
            return False

    def wait_exit(self, timeout=5.0):
        """The program's exit status as the shell saw it."""
        return int(wait_for("the program's end", lambda: self.file("status"), timeout))

    def close(self):
        if self.alive():
            try:
                os.kill(self.pid, signal.SIGKILL)
            except OSError:
                pass
        subprocess.run(["tmux", "-S", self.socket, "kill-server"], capture_output=True)
        shutil.rmtree(self.dir, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


# Where a sanitized build writes its reports, when it is the one under test:
# a test module that imports these two fails on any report.
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


def in_bash(env):
    """A Terminal with an interactive bash, where a user has started the
    program, as one does, from its prompt: job control is bash's."""
    term = Terminal("exec env PS1='$ ' bash --norc --noprofile -i", env=env, started=False)
    try:
        wait_for("bash's prompt", lambda: term.screen().find("$"))
        term.send('"$MERONG"', "Enter")
        term.wait_program()
    except BaseException:
        term.close()
        raise
    return term


def make_locale(folder, name, source, charset):
    """Makes the locale `name` in `folder` (for LOCPATH) from the C library's
    definition `source` in `charset`: a test needs no locale of the
    system's."""
    subprocess.run(["localedef", "-c", "-i", source, "-f", charset, os.path.join(folder, name)],
                   check=True, capture_output=True)


def shquote(s):
    return "'" + str(s).replace("'", "'\\''") + "'"
