"""Following the speech from the accessibility bus: the line under the status is a progress
bar whose value rises while speaking, described as the tooltip says; when the sound server
goes away the window holds and says so in an alert, and goes on once the server is back; the
two timing items of the Speak menu can be toggled, and their checked state follows."""

import os
import subprocess
import tempfile

import pyatspi

from harness import (check, find, fresh, label_for, press, run, type_text, wait_until,
                     walk)

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..")
LOST = "Sound output lost; looking for it..."
# No ALSA device for the program to fall back on: without the server nothing is heard.
os.environ["ALSA_CONFIG_PATH"] = tempfile.mkstemp(prefix="parlanza-asound-")[1]

TEXT = ("A screen reader follows this text while it is spoken aloud, word by word, and the "
        "line under the status grows with every word that is heard until the very end.")
TIMINGS = ("Record Sentence Timings (.srt)", "Record Word Timings (.vtt)")


def checked(item):
    return fresh(item).getState().contains(pyatspi.STATE_CHECKED)


def sound_server(function):
    """Runs one of the test services' functions on this test's own sound server."""
    subprocess.run(["bash", "-c", 'source "$0/scripts/test-services.sh" && %s "$1"' % function,
                    ROOT, os.environ["XDG_RUNTIME_DIR"]], check=True, timeout=60)


def alert_showing(window):
    alert = find(window, pyatspi.ROLE_ALERT, LOST)
    return alert is not None and fresh(alert).getState().contains(pyatspi.STATE_SHOWING)


def test(program):
    window = program.window
    line = find(window, pyatspi.ROLE_PROGRESS_BAR, "Speaking position")
    check(line is not None, "no progress bar named Speaking position")

    editor = next(a for a in walk(window) if a.getRole() == pyatspi.ROLE_TEXT and
                  a.getState().contains(pyatspi.STATE_MULTI_LINE))
    program.focus_window()
    editor.queryComponent().grabFocus()
    type_text(TEXT)
    wait_until("the typed text", lambda: editor.queryText().getText(0, -1) == TEXT)
    speak = next(b for b in walk(window) if b.getRole() == pyatspi.ROLE_PUSH_BUTTON and
                 b.name == "SPEAK")
    press(speak)
    value = line.queryValue()
    first = wait_until("a word heard", lambda: fresh(line).queryValue().currentValue >= 2 and
                       value.currentValue)
    wait_until("the line moving on", lambda: fresh(line).queryValue().currentValue > first)
    check(value.minimumValue == 0 and value.maximumValue == len(TEXT.split()),
          "the line runs %s..%s" % (value.minimumValue, value.maximumValue))
    check(fresh(line).description.startswith("Word "), "described as " + line.description)
    wait_until("value change events",
               lambda: "object:property-change:accessible-value" in program.events)

    # The sound server dies: the speech holds, an alert says so, and the status stays.
    sound_server("parlanza_kill_pulseaudio_in")
    wait_until("the alert " + LOST, lambda: alert_showing(window), 30)
    status = label_for(window, "STATUS")
    check(fresh(status).name == "SPEAKING", "the status is " + status.name)
    held = fresh(line).queryValue().currentValue
    sound_server("parlanza_pulseaudio_in")
    wait_until("the alert gone", lambda: not alert_showing(window), 30)
    wait_until("the line moving on again", lambda: fresh(line).queryValue().currentValue > held)
    press(next(b for b in walk(window) if b.name == "STOP"))

    toggled = []
    listener = lambda event: toggled.append(event.source.name)  # noqa: E731
    pyatspi.Registry.registerEventListener(listener, "object:state-changed:checked")
    for name in TIMINGS:
        item = find(window, pyatspi.ROLE_MENU_ITEM, name)
        check(item is not None, "no menu item " + name)
        # Qt 6.4's bridge carries neither a check-item role nor the checkable state: a
        # Toggle action beside Press tells this item from a plain one.
        action = item.queryAction()
        names = [action.getName(i).lower() for i in range(action.nActions)]
        check("toggle" in names, "%s cannot be toggled: %s" % (name, names))
        check(not checked(item), name + " starts checked")
        toggle = names.index("toggle")
        for state in (True, False):
            action.doAction(toggle)
            wait_until("%s checked %s" % (name, state), lambda: checked(item) == state)
        wait_until("state change events from " + name, lambda: toggled.count(name) == 2)
    pyatspi.Registry.deregisterEventListener(listener, "object:state-changed:checked")


run(test)
