"""Long runs: boxes dismissed one after another, each costing nothing that
stays. MERONG_LONG_BOXES and MERONG_LONG_WINDOWS set how many ("make soak"
runs 10,000 and 1,000)."""

import os
import unittest

from boxes import DesktopBoxes, TerminalBoxes
from desktop import Xvfb
from record import Record
from terminal import MERONG
from watch import ENV, Run

BOXES = int(os.environ.get("MERONG_LONG_BOXES", "300"))
WINDOWS = int(os.environ.get("MERONG_LONG_WINDOWS", "150"))


class LongRun(unittest.TestCase):
    def dismiss_in_a_row(self, run, boxes, count):
        """The greeting, the stages, then count boxes; what the process held
        after its 100th box and after its last."""
        boxes.wait(1)
        boxes.dismiss()
        boxes.wait(2, timeout=30)
        after_100 = None
        for n in range(3, count + 1):
            boxes.dismiss()
            boxes.wait(n)
            if n == 100:
                after_100 = run.resources()
        return after_100, run.resources()

    def check(self, front_end, count, run, boxes):
        case = {"front end": front_end, "boxes": count}
        record = Record(f"long-{front_end}", "long", [case])
        first, last = self.dismiss_in_a_row(run, boxes, count)
        (rss_first, fds_first, maps_first), (rss_last, fds_last, maps_last) = first, last
        self.assertLessEqual(rss_last - rss_first, 64, "resident memory grew (KiB)")
        self.assertEqual(fds_last, fds_first, "open descriptors")
        self.assertEqual(maps_last, maps_first, "memory mappings")
        record.held(case, f"resident memory {rss_last - rss_first:+d} KiB from box 100 to the "
                          f"last; descriptors {fds_last}, mappings {maps_last}, unchanged")

    def test_terminal_boxes(self):
        run = Run([os.path.abspath(MERONG)], ENV)
        try:
            self.check("terminal", BOXES, run, TerminalBoxes(run))
        finally:
            run.end()

    def test_desktop_windows(self):
        with Xvfb() as x:
            run = Run([os.path.abspath(MERONG)], dict(ENV, **x.env()))
            try:
                self.check("desktop", WINDOWS, run, DesktopBoxes(x, run))
            finally:
                run.end()


if __name__ == "__main__":
    unittest.main()
