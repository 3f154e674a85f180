"""Prints, as JSON, the accessible objects of one running program that a screen reader sees:
role, name and whether each is showing. Runs under a Python that has the AT-SPI bindings
(python3-gi, gir1.2-atspi-2.0); the tests call it as a separate process.

Usage: atspi_probe.py PID"""

import json
import sys

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

MAX_OBJECTS = 5000  # a bound, so a broken tree cannot keep the probe walking


def describe(node):
    states = node.get_state_set()
    return {"role": node.get_role_name(), "name": node.get_name() or "",
            "showing": states.contains(Atspi.StateType.SHOWING),
            "focused": states.contains(Atspi.StateType.FOCUSED)}


def walk(root):
    found, stack = [], [root]
    while stack and len(found) < MAX_OBJECTS:
        node = stack.pop()
        try:
            found.append(describe(node))
            stack.extend(node.get_child_at_index(i)
                         for i in reversed(range(node.get_child_count())))
        except GLib.Error:
            continue  # an object that went away while we looked
    return found


def main():
    pid = int(sys.argv[1])
    desktop = Atspi.get_desktop(0)
    objects = []
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        if app is not None and app.get_process_id() == pid:
            objects = walk(app)
            break
    json.dump(objects, sys.stdout)


if __name__ == "__main__":
    main()
