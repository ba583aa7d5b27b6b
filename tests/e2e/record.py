"""What the end-to-end matrices tried and what held, kept for the README's
table (scripts/matrix). Each case that reaches its end is written, as a line
of JSON, to a file per suite in $MERONG_RECORD_DIR; a case that failed is not."""

import json
import os

FOLDER = os.environ.get("MERONG_RECORD_DIR")


def held(matrix, case, what):
    """Notes that in `matrix`, `case` (a dict of its coordinates) held `what`."""
    if not FOLDER:
        return
    os.makedirs(FOLDER, exist_ok=True)
    with open(os.path.join(FOLDER, f"{matrix}.jsonl"), "a") as f:
        f.write(json.dumps({"case": case, "held": what}, ensure_ascii=False) + "\n")


def start(matrix):
    """Forgets what an earlier run of the matrix noted."""
    if FOLDER:
        try:
            os.remove(os.path.join(FOLDER, f"{matrix}.jsonl"))
        except FileNotFoundError:
            pass
