"""Independent scenarios side by side. Most of a scenario's time is the
program's own pauses, which cost nothing to overlap; each scenario has its
own terminal, X server and folders, so none sees another."""

import os
from concurrent.futures import ThreadPoolExecutor

# How many scenarios of one test run at once.
WORKERS = int(os.environ.get("MERONG_WORKERS", "3"))


def each(test, cases, scenario, record=None, workers=WORKERS):
    """Runs scenario(case) for every case (a dict of its coordinates), up to
    `workers` at once, each reported as a subtest of `test`. What a scenario
    returns is what held: noted in `record` for each case that passed, in the
    cases' order."""
    with ThreadPoolExecutor(workers) as pool:
        futures = [pool.submit(scenario, case) for case in cases]
        for case, future in zip(cases, futures):
            with test.subTest(**{k.replace(" ", "_"): v for k, v in case.items()}):
                what = future.result()
                if record:
                    record.held(case, what)
