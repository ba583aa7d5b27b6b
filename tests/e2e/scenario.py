"""The program's whole sequence as a user sees it, written once and run
against each way of showing its message boxes (boxes.py, and WineBoxes)."""

from terminal import wait_for

BRIGHT_WHITE = 97
BLUE, GREEN, DARK_YELLOW = 44, 42, 43
TAUNT = "merong ddddd"


def taunt_on_console(term, before, background):
    """The console's first line reads `before` then the taunt, bright white on
    the background, with nothing else on screen and the cursor after it."""
    if term.modes()["alternate"]:
        return None
    screen = term.screen()
    if screen.text(0).rstrip() != before + TAUNT:
        return None
    if screen.colours(0, len(before), len(TAUNT)) != {(BRIGHT_WHITE, background)}:
        return None
    if any(screen.text(r).strip() for r in range(1, term.rows)):
        return None
    if term.cursor() != (len(before) + len(TAUNT), 0):
        return None
    return screen


def run_sequence(test, term, boxes, greeting, dismissals):
    """Greeting, three stages, then a "merong" box after each dismissal."""
    run_to_taunting(test, term, boxes, greeting)
    count = 2
    for how in dismissals:
        boxes.dismiss(how)
        count += 1
        boxes.wait(count, "merong")
    test.assertTrue(term.alive())


def run_to_taunting(test, term, boxes, greeting):
    """Greeting, three stages, then the first "merong" box."""
    boxes.wait(1, greeting)
    boxes.dismiss("Enter")

    # The taunt after the prompt's output, which keeps its own colours; then
    # each clear empties the screen and the next taunt starts at the top.
    def console():
        return f"{term.screen().all_text()}\n(cursor at {term.cursor()}, {term.modes()})"

    screen = wait_for("stage 1", lambda: taunt_on_console(term, "prompt> ", BLUE), seen=console)
    test.assertEqual(screen.colours(0, 0, len("prompt> ")), {(None, None)})
    wait_for("stage 2", lambda: taunt_on_console(term, "", GREEN), timeout=5, seen=console)
    wait_for("stage 3", lambda: taunt_on_console(term, "", DARK_YELLOW), timeout=5, seen=console)
    boxes.wait(2, "merong")
