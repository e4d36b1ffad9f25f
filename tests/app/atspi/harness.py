"""Runs Parlanza on this test's virtual screen and reads it the way a screen reader does:
through the accessibility bus with the real AT-SPI client (pyatspi). Keys go in through
xdotool, as from a keyboard; the pointer is never used."""

import os
import shutil
import subprocess
import sys
import tempfile
import time

import pyatspi
from gi.repository import GLib


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def pump():
    """Delivers the events and cache updates waiting on the bus."""
    context = GLib.MainContext.default()
    while context.pending():
        context.iteration(False)


def wait_until(what, test, timeout=20.0):
    deadline = time.monotonic() + timeout
    while True:
        pump()
        value = test()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure("timed out waiting for " + what)
        time.sleep(0.05)


def fresh(accessible):
    """The accessible with its cached name and states dropped."""
    try:
        accessible.clear_cache()
    except AttributeError:
        pass
    return accessible


def walk(accessible, skip_roles=(pyatspi.ROLE_LIST,)):
    """Every accessible under this one, depth first; lists are not entered."""
    for index in range(accessible.childCount):
        child = accessible.getChildAtIndex(index)
        if child is None:
            continue
        yield child
        if child.getRole() not in skip_roles:
            yield from walk(child, skip_roles)


def find(root, role, name=None):
    for accessible in walk(root):
        if accessible.getRole() == role and (name is None or accessible.name == name):
            return accessible
    return None


def labelled_by(accessible):
    """The names of what labels this accessible."""
    names = []
    for relation in accessible.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
            names += [fresh(relation.getTarget(i)).name for i in range(relation.getNTargets())]
    return names


def label_for(root, caption):
    """The accessible a label with this caption labels (the status for "STATUS")."""
    label = find(root, pyatspi.ROLE_LABEL, caption)
    check(label is not None, "no label " + caption)
    for relation in label.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABEL_FOR:
            return relation.getTarget(0)
    raise Failure("the label %s labels nothing" % caption)


def press(accessible):
    action = accessible.queryAction()
    names = [action.getName(i).lower() for i in range(action.nActions)]
    check("press" in names, "%s has no Press action: %s" % (accessible.name, names))
    action.doAction(names.index("press"))


def xdotool(*args):
    subprocess.run(["xdotool", *args], check=True, timeout=60)


def keys(*names):
    xdotool("key", "--delay", "30", *names)


def type_text(text):
    xdotool("type", "--delay", "15", text)


class Program:
    """Parlanza from a folder of its own (no start sound), with its own settings, draft and
    lock, on the accessibility bus."""

    def __init__(self, executable, with_help=False):
        self.folder = tempfile.mkdtemp(prefix="parlanza-atspi-")
        program = os.path.join(self.folder, "program")
        os.makedirs(program)
        shutil.copy2(executable, program)
        if with_help:
            shutil.copytree(os.path.join(os.path.dirname(executable), "help"),
                            os.path.join(program, "help"))
        env = dict(os.environ)
        env.update({
            "QT_QPA_PLATFORM": "xcb",
            "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
            "TMPDIR": self.folder,
            "XDG_CONFIG_HOME": os.path.join(self.folder, "config"),
            "XDG_STATE_HOME": os.path.join(self.folder, "state"),
        })
        self.process = subprocess.Popen([os.path.join(program, "parlanza")], env=env)
        self.app = wait_until("Parlanza on the accessibility bus", self._find_app, 60)
        self.window = wait_until("the main window's frame", lambda: find(
            self.app, pyatspi.ROLE_FRAME, "Parlanza"), 30)
        self.statuses = []
        self.buttons = []  # buttons whose name changed, as then named
        self.events = []
        pyatspi.Registry.registerEventListener(self._heard, *self.HEARD)

    def _find_app(self):
        check(self.process.poll() is None, "Parlanza ended early")
        desktop = pyatspi.Registry.getDesktop(0)
        for index in range(desktop.childCount):
            app = desktop.getChildAtIndex(index)
            if app is not None and app.name.lower() == "parlanza":
                return app
        return None

    # What the tests listen for: names (the status line), text, caret and value changes.
    HEARD = ("object:property-change:accessible-name", "object:text-changed:insert",
             "object:text-caret-moved", "object:property-change:accessible-value")

    def _heard(self, event):
        self.events.append(event.type)
        # Qt's bridge sends the object, not its new name: the name read here is the one the
        # label shows when the event is delivered, which may be a later one (a short
        # recording's RECORDING may read as STOPPED again). Each change is one entry.
        if event.type.endswith("accessible-name") and event.source is not None:
            role = event.source.getRole()
            if role == pyatspi.ROLE_LABEL:
                self.statuses.append(event.source.name)
            elif role == pyatspi.ROLE_PUSH_BUTTON:
                self.buttons.append(event.source.name)

    def windows(self):
        """The names of the program's windows on the screen now."""
        app = fresh(self.app)
        shown = []
        for index in range(app.childCount):
            window = app.getChildAtIndex(index)
            if window is not None and fresh(window).getState().contains(pyatspi.STATE_SHOWING):
                shown.append(window.name)
        return shown

    def focus_window(self):
        ids = subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--pid",
                              str(self.process.pid), "--name", "^Parlanza$"],
                             capture_output=True, text=True, timeout=60).stdout.split()
        check(ids, "no Parlanza window on the screen")
        xdotool("windowfocus", "--sync", ids[0])
        return ids[0]

    def close(self):
        pyatspi.Registry.deregisterEventListener(self._heard, *self.HEARD)
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(20)
            except subprocess.TimeoutExpired:
                self.process.kill()
        shutil.rmtree(self.folder, ignore_errors=True)


def run(test):
    """Runs test(program) against the executable named on the command line."""
    program = None
    try:
        program = Program(sys.argv[1], with_help="--with-help" in sys.argv)
        test(program)
    except Failure as failure:
        print("FAIL:", failure)
        if program is not None:
            # What the window showed and said: a box in front of it takes the keys.
            print("windows:", program.windows())
            print("statuses heard:", " ".join(program.statuses))
        sys.exit(1)
    finally:
        if program is not None:
            program.close()
    print("PASS")
