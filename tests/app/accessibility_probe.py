#!/usr/bin/python3
"""Reads the names of the program's controls through AT-SPI, as a screen
reader does: the key caps, the content box, the data area gauge, and in
the key programming dialog the two "<--" buttons and the on-screen keys.

    accessibility_probe.py SECONDS

The program runs on the same accessibility bus with a key data file loaded
at start (key 1 holds "Hello, world" and Enter); its message about the
file is answered here. Exit status 0 when every name is right, 1 with the
differences on standard error otherwise.
"""
import sys
import time

import pyatspi

deadline = time.monotonic() + float(sys.argv[1])
problems = []


def walk(node, depth=0):
    """Every accessible below node, node included."""
    yield node
    if depth > 12:
        return
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from walk(child, depth + 1)


def wait_for(what, find):
    """Polls find() until it gives something, within the deadline."""
    while time.monotonic() < deadline:
        try:
            found = find()
        except Exception:  # the tree changes under the walk
            found = None
        if found:
            return found
        time.sleep(0.1)
    sys.exit(f"accessibility_probe: no {what} within the time limit")


def application():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name.lower() == "lodemar":
            return app
    return None


def named(root, name, role=None):
    for node in walk(root):
        if node.name == name and (role is None or node.getRole() == role):
            return node
    return None


def press(node):
    action = node.queryAction()
    for i in range(action.nActions):
        if action.getName(i) in ("Press", "press", "click"):
            action.doAction(i)
            return
    action.doAction(0)


def expect(what, node, name, description=None):
    if node is None:
        problems.append(f"{what}: not found")
        return
    if node.name != name:
        problems.append(f"{what}: name {node.name!r}, not {name!r}")
    if description is not None and node.description != description:
        problems.append(f"{what}: description {node.description!r}, not {description!r}")


app = wait_for("program on the accessibility bus", application)
# The start file's message, then the main window.
ok = wait_for("message about the loaded file", lambda: named(app, "OK", pyatspi.ROLE_PUSH_BUTTON))
press(ok)
window = wait_for("main window", lambda: next(
    (w for w in walk(app) if w.getRole() in (pyatspi.ROLE_DIALOG, pyatspi.ROLE_FRAME, pyatspi.ROLE_WINDOW)
     and w.name.startswith("Keyboard programing tool")), None))

key1 = wait_for("key cap 1", lambda: named(window, "Key 1"))
expect("key cap 1", key1, "Key 1", "string: Hello, world[Enter]")
expect("key cap 3", named(window, "Key 3"), "Key 3", "empty")
expect("small key L", named(window, "Key L"), "Key L", "empty")
expect("content box", named(window, "Key content"), "Key content")
expect("data area gauge", named(window, "Keyboard data area"), "Keyboard data area",
       "Keyboard data area: 14 of 3584 bytes used (1 %)")

# The key programming dialog of key 1.
press(key1)
dialog = wait_for("key programming dialog", lambda: next(
    (w for w in walk(app) if w.name == "Editing Key 1"), None))
expect("delete button", wait_for("delete button", lambda: named(dialog, "Delete key data")), "Delete key data")
expect("on-screen Backspace", named(dialog, "Backspace"), "Backspace")
expect("on-screen 7", named(dialog, "7 &"), "7 &")
expect("on-screen left Shift", named(dialog, "Left Shift"), "Left Shift")
press(wait_for("Cancel", lambda: named(dialog, "Cancel", pyatspi.ROLE_PUSH_BUTTON)))

if problems:
    sys.exit("accessibility_probe:\n  " + "\n  ".join(problems))
print("accessibility_probe: every name is right")
