"""Prints, as JSON, what a screen reader sees of one running program outside its web pages:
role, name and whether each object is showing. With --press NAME it presses the showing push
button of that name instead and prints whether there was one. Runs under a Python that has the
AT-SPI bindings (python3-gi, gir1.2-atspi-2.0); the tests call it as a separate process.

Usage: atspi_probe.py PID [--press NAME]"""

import json
import sys

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

MAX_OBJECTS = 5000  # a bound, so a broken tree cannot keep the probe walking
PAGE_ROLE = "document web"  # the page's own content is the page's, not the program's


def is_showing(node):
    return node.get_state_set().contains(Atspi.StateType.SHOWING)


def objects_of(root):
    """(node, description) of every object below root, in tree order."""
    found, stack = [], [root]
    while stack and len(found) < MAX_OBJECTS:
        node = stack.pop()
        try:
            role = node.get_role_name()
            found.append((node, {"role": role, "name": node.get_name() or "",
                                 "showing": is_showing(node)}))
            if role != PAGE_ROLE:
                stack.extend(node.get_child_at_index(i)
                             for i in reversed(range(node.get_child_count())))
        except GLib.Error:
            continue  # an object that went away while we looked
    return found


def press(found, name):
    for node, description in found:
        if (description["role"] == "push button" and description["name"] == name
                and description["showing"]):
            return bool(node.get_action_iface().do_action(0))
    return False


def application(pid):
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        if app is not None and app.get_process_id() == pid:
            return app
    return None


def main():
    pid = int(sys.argv[1])
    app = application(pid)
    found = objects_of(app) if app is not None else []
    if sys.argv[2:3] == ["--press"]:
        json.dump(press(found, sys.argv[3]), sys.stdout)
    else:
        json.dump([description for _, description in found], sys.stdout)


if __name__ == "__main__":
    main()
