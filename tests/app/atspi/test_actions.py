"""A screen reader's action is answered before its work runs: Press on SPEAK with an empty
editor, and Speak the Selection with nothing selected, each answer at once, and only then
does the program's box come up (it runs an event loop of its own until it is closed)."""

import time

import pyatspi

from harness import check, find, fresh, press, run, wait_until, walk

# A reply that waits on the box would come only when the box is closed, or never.
REPLY_SECONDS = 1.0


def box_saying(program, message):
    """The window, other than the main one (the only frame), that shows this message."""
    app = fresh(program.app)
    for index in range(app.childCount):
        window = app.getChildAtIndex(index)
        if window is None or window.getRole() == pyatspi.ROLE_FRAME:
            continue
        if any(message in (fresh(a).name or "") for a in walk(window)):
            return window
    return None


def answered_then_told(program, what, action, message):
    started = time.monotonic()
    action()
    took = time.monotonic() - started
    check(took < REPLY_SECONDS, "%s answered after %.1f s" % (what, took))
    box = wait_until("the box after " + what, lambda: box_saying(program, message))
    ok = next((b for b in walk(box) if b.getRole() == pyatspi.ROLE_PUSH_BUTTON and
               b.name == "OK"), None)
    check(ok is not None, "the box after %s has no OK button" % what)
    press(ok)
    wait_until("the box closed after " + what, lambda: box_saying(program, message) is None)


def test(program):
    window = program.window
    program.focus_window()
    speak = find(window, pyatspi.ROLE_PUSH_BUTTON, "SPEAK")
    check(speak is not None, "no SPEAK button")
    answered_then_told(program, "Press on SPEAK", lambda: press(speak),
                       "Please Enter Some Text In the Text Box !")

    item = find(window, pyatspi.ROLE_MENU_ITEM, "Speak the Selection")
    check(item is not None, "no menu item Speak the Selection")
    action = item.queryAction()
    names = [action.getName(i).lower() for i in range(action.nActions)]
    check("press" in names, "Speak the Selection has no Press action: %s" % names)
    answered_then_told(program, "Speak the Selection", lambda: action.doAction(
        names.index("press")), "Please Select Some Text To Speak !")


run(test)
