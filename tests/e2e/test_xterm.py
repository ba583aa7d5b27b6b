"""The program in xterm: each clear floods the whole window with the
stage's colour, and the boxes look as they should."""

import os
import shutil
import tempfile
import unittest

from desktop import Xvfb
from terminal import wait_for
from xterm import PALETTE, Xterm


class Fill(unittest.TestCase):
    def setUp(self):
        self.x = Xvfb()
        self.addCleanup(self.x.close)
        self.pictures = os.environ.get("MERONG_PICTURES") or tempfile.mkdtemp()
        if not os.environ.get("MERONG_PICTURES"):
            self.addCleanup(shutil.rmtree, self.pictures)

    def picture(self, name):
        return os.path.join(self.pictures, name)

    def test_each_clear_floods_the_window_with_the_stages_colour(self):
        with Xterm(self.x, {"LANG": "ko_KR.UTF-8", "TERM": "xterm-256color"}) as term:
            # The greeting over an empty console: no blue but the box's title
            # bar and button.
            wait_for("the greeting box", lambda: term.share(
                self.picture("terminal-greeting.png"), PALETTE["grey"]) > 0.01)
            self.assertLess(term.share(self.picture("terminal-greeting.png"), PALETTE["blue"]),
                            0.05)
            term.key("Return")
            for n, colour in enumerate(["blue", "green", "dark yellow"], 1):
                name = self.picture(f"terminal-stage{n}.png")
                wait_for(f"the window {colour}",
                         lambda: term.share(name, PALETTE[colour]) > 0.85, timeout=10)
            # The "merong" box over the dark yellow console.
            self.assertGreater(term.share(self.picture("terminal-merong.png"), PALETTE["grey"]),
                               0.01)


if __name__ == "__main__":
    unittest.main()
