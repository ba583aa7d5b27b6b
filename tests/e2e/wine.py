"""The Windows executable under Wine: a prefix of the tests' own, and the
message boxes read and pressed through Win32 by a probe that runs beside the
program in the same prefix."""

import os
import shutil
import signal
import subprocess
import tempfile

from terminal import make_locale, wait_for

BUILD = os.environ.get("MERONG_WINDOWS", "")
EXE = os.path.join(BUILD, "merong.exe")
PROBE = os.path.join(BUILD, "probe.exe")
GREETING_CP949 = bytes.fromhex("B4E7BDC5C0BA2E2E2E")


class WinePrefix:
    """A fresh Wine prefix in a temporary folder (about ten seconds to make:
    share one), with the Korean locale generated beside it, so that
    LANG=ko_KR.UTF-8 gives Wine code page 949 without touching the system."""

    def __init__(self, display):
        self.dir = tempfile.mkdtemp(prefix="merong-wine-")
        try:
            locales = os.path.join(self.dir, "locales")
            os.mkdir(locales)
            make_locale(locales, "ko_KR.UTF-8", "ko_KR", "UTF-8")
            self.vars = {
                "WINEPREFIX": os.path.join(self.dir, "prefix"),
                "WINEDEBUG": "-all",
                "WINEDLLOVERRIDES": "mscoree,mshtml=",
                "DISPLAY": display,
                "LOCPATH": locales,
            }
            subprocess.run(["wineboot", "-i"], env=self.env(), check=True, timeout=300,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            # As on a Windows that is up, the desktop and the services stay
            # from one program to the next. Left alone, Wine takes them down
            # a few seconds after the last program ends, and a program that
            # starts meanwhile can wait for them for ever.
            self.session = subprocess.Popen(
                ["wine", PROBE, "idle"], env=self.env(), stdin=subprocess.DEVNULL,
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
        except BaseException:
            self.close()
            raise

    def env(self, **more):
        return dict(os.environ, **self.vars, **more)

    def run(self, *argv, lang="C", timeout=120):
        return subprocess.run(["wine", *argv], env=self.env(LANG=lang), check=True,
                              timeout=timeout, capture_output=True, text=True).stdout

    def close(self):
        if hasattr(self, "session"):
            os.killpg(self.session.pid, signal.SIGKILL)
            self.session.wait()
        if hasattr(self, "vars"):
            subprocess.run(["wineserver", "-k"], env=self.env(), capture_output=True)
        shutil.rmtree(self.dir, ignore_errors=True)


class WineBoxes:
    """Message boxes of the program under Wine, each found by the probe as a
    new window titled "Hello", its text checked byte for byte. The probe runs
    in the program's locale, so that both read narrow text in one code page."""

    def __init__(self, wine, x, lang):
        self.wine, self.x, self.lang = wine, x, lang
        self.handles, self.texts = [], []

    def shown(self):
        return len(self.handles)

    def wait(self, count, text):
        expected = GREETING_CP949 if text.startswith("당신") else text.encode("ascii")
        while len(self.handles) < count:
            previous = self.handles[-1] if self.handles else "0"
            found = self.wine.run(PROBE, "text", previous, lang=self.lang).split()
            handle, data = (found + [""])[:2]
            self.handles.append(handle)
            self.texts.append(bytes.fromhex(data))
        actual = self.texts[count - 1]
        if actual != expected:
            raise AssertionError(f"box {count} reads {actual!r}, not {expected!r}")
        return self.handles[count - 1]

    def dismiss(self, how):
        handle = self.handles[-1]
        if how in ("Enter", "Space"):
            # A real key, through the X server, to the box that has the focus.
            window = wait_for("the box's X window", lambda: self.x.windows("Hello"))[-1]
            self.x.run("xdotool", "windowfocus", "--sync", str(window),
                       "key", "Return" if how == "Enter" else "space")
        else:
            action = {"Escape": "esc", "click OK": "ok", "close": "close"}[how]
            self.wine.run(PROBE, action, handle, lang=self.lang)
