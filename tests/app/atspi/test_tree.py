"""The program's accessible tree as a screen reader reads it: the frame, every button named
with a Press that works, speed and tone as settable values with their numbers following,
the editor's text, and the status change heard when speaking starts."""

import pyatspi

from harness import (check, find, fresh, label_for, labelled_by, press, run, type_text,
                     wait_until, walk)

BUTTONS = ["SPEAK", "PAUSE", "STOP", "RECORD", "FILE", "ERASE",
           # the toolbar: three captions, the rest named by their tooltips
           "Open File", "Set Font", "Bold", "Italic", "Set Fore Color", "Set Back Color", "Cut", "Copy",
           "Paste", "Delete", "Clear Clipboard", "Select All",
           # the title bar
           "Close", "Maximize Window", "Minimize Window"]

TEXT = ("Screen readers hear this text. It is long enough to be still speaking when the "
        "status is read, and then some more words follow.")


def test(program):
    window = program.window
    check(window.getRole() == pyatspi.ROLE_FRAME, "the window is not a frame")

    roles = (pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON, pyatspi.ROLE_CHECK_BOX,
             pyatspi.ROLE_RADIO_BUTTON)
    buttons = {b.name: b for b in walk(window) if b.getRole() in roles}
    missing = [name for name in BUTTONS if name not in buttons]
    check(not missing, "buttons not found by name: %s (found %s)" % (missing, sorted(buttons)))
    nameless = [b for b in buttons if not b.strip()]
    check(not nameless, "nameless buttons")
    for name in BUTTONS:
        action = buttons[name].queryAction()
        names = [action.getName(i).lower() for i in range(action.nActions)]
        check("press" in names, name + " has no Press action")

    for name, low, high in (("SPEED", 50, 270), ("TONE", 90, 300)):
        bar = find(window, pyatspi.ROLE_SLIDER, name)
        check(bar is not None, "no slider " + name)
        value = bar.queryValue()
        check((value.minimumValue, value.maximumValue) == (low, high),
              "%s runs %s..%s" % (name, value.minimumValue, value.maximumValue))
        value.currentValue = 200
        wait_until(name + " at 200", lambda: fresh(bar).queryValue().currentValue == 200)
        wait_until("the number beside " + name, lambda: "200" in labelled_by(bar))
    wait_until("value change events",
               lambda: "object:property-change:accessible-value" in program.events)

    editor = next((a for a in walk(window) if a.getRole() == pyatspi.ROLE_TEXT and
                   a.getState().contains(pyatspi.STATE_MULTI_LINE)), None)
    check(editor is not None, "no editor")
    check(editor.getState().contains(pyatspi.STATE_EDITABLE), "the editor is not editable")
    editors = [a for a in walk(window) if a.getRole() == pyatspi.ROLE_TEXT and
               a.getState().contains(pyatspi.STATE_MULTI_LINE)]
    check(len(editors) == 1, "the hidden work editor is in the tree")
    # Every control a reader lands on has a name.
    check(editor.name == "Text", "the editor is named %r" % editor.name)
    check(find(window, pyatspi.ROLE_LIST, "Choose a Voice") is not None, "no list Choose a Voice")
    boxes = [a.name for a in walk(window) if a.getRole() == pyatspi.ROLE_TEXT and
             not a.getState().contains(pyatspi.STATE_MULTI_LINE)]
    check("Wave File to Record Into" in boxes, "the file box is named %s" % boxes)
    program.focus_window()
    editor.queryComponent().grabFocus()
    wait_until("the editor's focus", lambda: fresh(editor).getState().contains(
        pyatspi.STATE_FOCUSED))
    type_text(TEXT)
    text = editor.queryText()
    wait_until("the typed text", lambda: text.getText(0, -1) == TEXT)
    check(text.caretOffset == len(TEXT), "the caret is at %d" % text.caretOffset)
    for heard in ("object:text-changed:insert", "object:text-caret-moved"):
        wait_until(heard + " events", lambda: heard in program.events)

    status = label_for(window, "STATUS")
    check(fresh(status).name == "STOPPED", "the status starts as " + status.name)
    press(buttons["SPEAK"])
    wait_until("SPEAKING", lambda: fresh(status).name == "SPEAKING")
    wait_until("the status change event", lambda: "SPEAKING" in program.statuses)
    press(buttons["STOP"])
    wait_until("STOPPED", lambda: fresh(status).name == "STOPPED")


run(test)
