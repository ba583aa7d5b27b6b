"""What the end-to-end matrices tried and what held, kept for the README's
table (scripts/matrix). A matrix is written as lines of JSON in
$MERONG_RECORD_DIR, one file per part of it (a test that fills some of its
cells): first the cases the part plans to try, then each case that reached
its end with what held. A planned case with nothing held shows as failed."""

import json
import os
import threading

FOLDER = os.environ.get("MERONG_RECORD_DIR")
_lock = threading.Lock()


class Record:
    """The part `part` of the matrix `matrix`, planning `cases` (dicts of
    their coordinates); what an earlier run of the part noted is forgotten."""

    def __init__(self, matrix, part, cases):
        self.path = os.path.join(FOLDER, f"{matrix}--{part}.jsonl") if FOLDER else None
        if self.path:
            os.makedirs(FOLDER, exist_ok=True)
            with open(self.path, "w") as f:
                for case in cases:
                    f.write(json.dumps({"planned": case}, ensure_ascii=False) + "\n")

    def held(self, case, what):
        """Notes that `case` held `what`."""
        if self.path:
            with _lock, open(self.path, "a") as f:
                f.write(json.dumps({"case": case, "held": what}, ensure_ascii=False) + "\n")
