"""The program in xterm, a real terminal emulator on a real X server: what
the screen shows, to the pixel, including the cells nothing was written to."""

import os
import subprocess
import uuid

from terminal import MERONG, wait_for

# The colours xterm gives the ANSI palette here, set so that a test can
# recognise them in a screenshot.
PALETTE = {"blue": "#0000ee", "green": "#00cd00", "dark yellow": "#cdcd00", "grey": "#e5e5e5"}
RESOURCES = ["*color4: " + PALETTE["blue"], "*color2: " + PALETTE["green"],
             "*color3: " + PALETTE["dark yellow"], "*color7: " + PALETTE["grey"],
             "*background: black", "*foreground: grey", "*cursorColor: grey"]


class Xterm:
    """xterm on the X server x, 80x24, running the program with no display of
    its own (so that its boxes are drawn on the terminal)."""

    def __init__(self, x, env):
        self.x = x
        self.title = f"merong-{uuid.uuid4().hex[:8]}"
        argv = ["xterm", "-T", self.title, "-geometry", "80x24", "-fa", "DejaVu Sans Mono", "-fd", "NanumGothicCoding",
                "-fs", "12", "+sb", "-b", "0"]
        for resource in RESOURCES:
            argv += ["-xrm", resource]
        argv += ["-e", "env", "-u", "DISPLAY", *(f"{k}={v}" for k, v in env.items()),
                 os.path.abspath(MERONG)]
        self.process = subprocess.Popen(argv, env=dict(os.environ, **x.env()),
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                        start_new_session=True)
        try:
            self.window = wait_for("xterm's window", lambda: x.windows(self.title))[0]
        except BaseException:
            self.close()
            raise

    def key(self, key):
        self.x.run("xdotool", "windowfocus", "--sync", str(self.window), "key", key)

    def share(self, path, colour):
        """Takes a screenshot into path; the share of its pixels in colour."""
        self.x.screenshot(path, self.window)
        return float(subprocess.run(
            ["convert", path, "-fill", "black", "+opaque", colour, "-fill", "white", "-opaque",
             colour, "-format", "%[fx:mean]", "info:"],
            check=True, capture_output=True, text=True).stdout)

    def close(self):
        try:
            os.killpg(self.process.pid, 9)
        except OSError:
            pass
        self.process.wait()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()
