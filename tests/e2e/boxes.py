"""The program's message boxes as a user sees them come and go: drawn on its
terminal, or as windows on an X server. One kind of watcher for each, used by
the scenarios, the long runs and the benchmark alike: wait() returns the
moment the box was seen, dismiss() the moment it was dismissed."""

import select
import time

from Xlib import X, display
from Xlib.ext import xtest

KEYS = {"Enter": b"\r", "Escape": b"\x1b", "Space": b" "}
KEYSYMS = {"Enter": 0xFF0D, "Escape": 0xFF1B, "Space": 0x0020}


class TerminalBoxes:
    """Boxes drawn on the program's terminal, `term`: a tmux Terminal (whose
    screen can be read) or a bare pseudo-terminal Run. Each box takes the
    terminal's alternate screen: counting those is counting boxes."""

    MARK = b"\x1b[?1049h"

    def __init__(self, term):
        self.term = term
        self.count = 0
        self.checked = 0  # where in the output no mark can start any more
        self.screen = None  # the screen that showed the last box waited for

    def shown(self):
        """How many boxes have been drawn so far."""
        output = self.term.output()
        self.count += output.count(self.MARK, self.checked)
        self.checked = max(self.checked, len(output) - len(self.MARK) + 1)
        return self.count

    def wait(self, count, text=None, timeout=20.0):
        """Waits until the count-th box is up (and, on a screen that can be
        read, shows `text` under the caption "Hello"); returns when it was
        seen."""
        deadline = time.monotonic() + timeout
        while True:
            if self.shown() >= count and (text is None or self._reads(text)):
                return time.monotonic()
            if time.monotonic() > deadline:
                raise AssertionError(f"box {count} ({text!r}) not shown within {timeout} s")
            self.term.pump(deadline - time.monotonic())

    def _reads(self, text):
        if not hasattr(self.term, "screen"):
            return True
        if not self.term.modes()["alternate"]:
            return False
        screen = self.term.screen()
        title, body, ok = screen.find("Hello"), screen.find(text), screen.find("[ OK ]")
        close = screen.find("[X]")
        if title and body and ok and close and title[0] == close[0] < body[0] < ok[0]:
            self.screen = screen
            return True
        return False

    def dismiss(self, how="Enter"):
        """Dismisses the box up now: Enter, Escape, Space, "click OK" or
        "close" (a click on [X]); returns when."""
        if how in KEYS:
            data = KEYS[how]
        else:
            screen = self.term.screen()
            row, col = screen.find("[ OK ]" if how == "click OK" else "[X]")
            col += 2 if how == "click OK" else 1
            # Press, then release.
            data = b"".join(f"\x1b[<0;{col + 1};{row + 1}{end}".encode() for end in "Mm")
        moment = time.monotonic()
        self.term.send_bytes(data)
        return moment


DELETE_WINDOW = "WM_DELETE_WINDOW"


class DesktopBoxes:
    """Boxes as windows titled "Hello" on the X server `x`, seen the moment
    they are mapped, with or without a window manager (which maps a frame
    of its own around each). Each box is a window of its own. A `run` given
    has its terminal read meanwhile, so that the program never waits on it."""

    def __init__(self, x, run=None):
        self.x, self.run = x, run
        self.d = display.Display(x.display)
        x.watchers.append(self)
        self.root = self.d.screen().root
        self.root.change_attributes(event_mask=X.SubstructureNotifyMask)
        self.windows = []
        self.seen = set()
        # Whatever is there already.
        for top in self.root.query_tree().children:
            self._watch(top)
            for child in self._children(top):
                self._watch(child)

    def _children(self, window):
        try:
            return window.query_tree().children
        except Exception:  # gone meanwhile
            return []

    def _watch(self, window):
        """Follows the window wherever a window manager puts it, and counts
        it if it is a box and mapped already."""
        try:
            window.change_attributes(event_mask=X.StructureNotifyMask)
            if window.get_attributes().map_state != X.IsUnmapped:
                self._mapped(window)
        except Exception:
            pass

    def _mapped(self, window):
        try:
            if window.id not in self.seen and window.get_wm_name() == "Hello":
                self.seen.add(window.id)
                self.windows.append(window)
        except Exception:
            pass

    def shown(self):
        while self.d.pending_events():
            event = self.d.next_event()
            if event.type == X.CreateNotify:
                self._watch(event.window)
            elif event.type == X.MapNotify:
                self._mapped(event.window)
        return len(self.windows)

    def wait(self, count, text=None, timeout=30.0):
        """Waits until the count-th box is mapped; returns when it was seen.
        (The text is read through Win32 for Wine, and on screenshots.)"""
        deadline = time.monotonic() + timeout
        while self.shown() < count:
            if time.monotonic() > deadline:
                raise AssertionError(f"window {count} ({text!r}) not shown within {timeout} s")
            fds = [self.d.fileno()] + ([self.run.fd] if self.run else [])
            ready = select.select(fds, [], [], max(0, deadline - time.monotonic()))[0]
            if self.run and self.run.fd in ready:
                self.run.pump(0)
        return time.monotonic()

    def window(self, count=None):
        """The X window id of the count-th box (the last by default)."""
        return self.windows[(count or len(self.windows)) - 1].id

    def geometry(self, window):
        values = dict(line.split("=") for line in
                      self.x.run("xdotool", "getwindowgeometry", "--shell", str(window)).split())
        return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])

    def dismiss(self, how="Enter"):
        """A key to the box with the focus, a click on its OK button, or the
        close box (WM_DELETE_WINDOW); returns when."""
        window = self.windows[-1]
        if how in KEYSYMS:
            window.set_input_focus(X.RevertToParent, X.CurrentTime)
            keycode = self.d.keysym_to_keycode(KEYSYMS[how])
            self.d.sync()
            moment = time.monotonic()
            xtest.fake_input(self.d, X.KeyPress, keycode)
            xtest.fake_input(self.d, X.KeyRelease, keycode)
            self.d.flush()
            return moment
        moment = time.monotonic()
        if how == "click OK":
            # The dialog's one button spans its bottom.
            x, y, width, height = self.geometry(window.id)
            self.x.run("xdotool", "mousemove", "--sync", str(x + width // 2),
                       str(y + height - 12), "click", "1")
        elif how == "close":
            from Xlib import protocol

            protocols = self.d.intern_atom("WM_PROTOCOLS")
            delete = self.d.intern_atom(DELETE_WINDOW)
            window.send_event(protocol.event.ClientMessage(
                window=window, client_type=protocols,
                data=(32, [delete, X.CurrentTime, 0, 0, 0])))
            self.d.flush()
        else:
            raise ValueError(how)
        return moment

    def close(self):
        if self in self.x.watchers:
            self.x.watchers.remove(self)
            self.d.close()
