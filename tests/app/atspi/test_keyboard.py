"""Keys only, no pointer: type a sentence, choose Mike, set speed 200 with the arrows, speak
(F5), pause and resume (F6), stop (Escape), record to a typed path (Ctrl+R), then open How to
Use (Alt+H, Return), About, Pronounce As (F8) and Pronunciations (Alt+S, P). What the window
shows is read through the accessibility bus."""

import os
import time

import pyatspi

from harness import (check, find, fresh, keys, label_for, labelled_by, pump, run,
                     type_text, wait_until, walk)

TEXT = ("The keyboard is all this user has. Every control answers it, and the workbench "
        "reads this sentence aloud, pauses, resumes and stops when told.")


# What a reader lands on and must hear a name for.
NAMED = (pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_CHECK_BOX, pyatspi.ROLE_TEXT,
         pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_TABLE)


def focused(window):
    for accessible in walk(window):
        if fresh(accessible).getState().contains(pyatspi.STATE_FOCUSED):
            return accessible
    return None


def tab_to(window, what, test):
    for _ in range(30):
        current = focused(window)
        if current is not None and test(current):
            return current
        keys("Tab")
        time.sleep(0.2)
        pump()
    check(False, "Tab never reached " + what)
    return None


def test(program):
    window = program.window
    program.focus_window()
    status = label_for(window, "STATUS")
    speed = find(window, pyatspi.ROLE_SLIDER, "SPEED")

    editor = tab_to(window, "the editor", lambda a: a.getRole() == pyatspi.ROLE_TEXT and
                    a.getState().contains(pyatspi.STATE_MULTI_LINE))
    type_text(TEXT)
    wait_until("the typed text", lambda: editor.queryText().getText(0, -1) == TEXT)

    # The current voice is the focus only while the list has it, and is selected.
    voices = find(window, pyatspi.ROLE_LIST, "Choose a Voice")
    def item_states(name):
        item = next(i for i in fresh(voices) if i is not None and i.name == name)
        return fresh(item).getState()
    check(not item_states("Mary").contains(pyatspi.STATE_FOCUSED),
          "Mary is focused while the editor has the focus")
    keys("ctrl+Tab")  # leaves the editor for the voice list
    wait_until("Mary focused with the list",
               lambda: item_states("Mary").contains(pyatspi.STATE_FOCUSED))
    type_text("Mike")
    wait_until("Mike's speed", lambda: "170" in labelled_by(speed))
    wait_until("Mike selected", lambda: item_states("Mike").contains(pyatspi.STATE_SELECTED))
    keys("Tab")
    check(fresh(speed).getState().contains(pyatspi.STATE_FOCUSED), "the speed bar has no focus")
    keys(*["Right"] * 30)
    wait_until("speed 200", lambda: "200" in labelled_by(speed))
    check(speed.queryValue().currentValue == 200, "the speed bar is not at 200")

    for key, shown in (("F5", "SPEAKING"), ("F6", "PAUSED"), ("F6", "SPEAKING"),
                       ("Escape", "STOPPED")):
        keys(key)
        wait_until("%s after %s" % (shown, key), lambda: fresh(status).name == shown)
        if shown == "PAUSED":
            # PAUSE became RESUME, and a reader on it hears so.
            wait_until("the RESUME name change", lambda: "RESUME" in program.buttons)

    wave = os.path.join(program.folder, "typed.wav")
    path = tab_to(window, "the path box", lambda a: a.getRole() == pyatspi.ROLE_TEXT and
           not a.getState().contains(pyatspi.STATE_MULTI_LINE))
    type_text(wave)
    wait_until("the typed path", lambda: path.queryText().getText(0, -1) == wave)
    heard = len(program.statuses)
    keys("ctrl+r")
    wait_until("the recording", lambda: os.path.exists(wave))
    wait_until("the end of the recording", lambda: fresh(status).name == "STOPPED", 60)
    # Two changes told: RECORDING and STOPPED again (a quick recording may read as
    # STOPPED twice by the time the reader asks).
    wait_until("two status changes", lambda: len(
        [s for s in program.statuses[heard:] if s in ("RECORDING", "STOPPED")]) >= 2)
    check(os.path.getsize(wave) > 44, "no wave file at " + wave)
    print("statuses heard:", " ".join(program.statuses))
    print("recorded", os.path.getsize(wave), "bytes")

    # How to Use (a frame), About and the pronunciation dialogs, each closed again with
    # Escape; in the dialogs every control a reader can land on has a name.
    for opening, title, role in ((("alt+h", "Return"), "Help", pyatspi.ROLE_FRAME),
                                 (("alt+h", "a"), "About", pyatspi.ROLE_DIALOG),
                                 (("F8",), "Pronounce As", pyatspi.ROLE_DIALOG),
                                 (("alt+s", "p"), "Pronunciations", pyatspi.ROLE_DIALOG)):
        program.focus_window()  # no window manager gives it back when a window closes
        keys(*opening)
        def showing():
            return any(title in name for name in program.windows())
        wait_until("the %s window" % title, showing, 30)
        app = fresh(program.app)
        roles = [app.getChildAtIndex(i).getRole() for i in range(app.childCount)
                 if title in app.getChildAtIndex(i).name]
        check(roles == [role], "the %s window reads as %s" % (title, roles))
        shown = next(app.getChildAtIndex(i) for i in range(app.childCount)
                     if title in app.getChildAtIndex(i).name)
        nameless = [a.getRoleName() for a in walk(shown) if a.getRole() in NAMED and
                    fresh(a).getState().contains(pyatspi.STATE_FOCUSABLE) and not a.name]
        check(role == pyatspi.ROLE_FRAME or not nameless,
              "nameless controls in %s: %s" % (title, nameless))
        keys("Escape")
        wait_until("the %s window closed by Escape" % title, lambda: not showing(), 30)


run(test)
