#!/usr/bin/env python3
"""Seconds from starting corvane-logview on an error log of 10,000 records to its window on
screen (the rows are listed before the window shows). Run under xvfb-run, with nothing else
opening windows on that display:

    xvfb-run -a python3 bench/logview/open_time.py build/bin/corvane-logview
"""

import ctypes
import ctypes.util
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

RECORDS = 10000
RUNS = 7
SEVERITIES = ("Error", "Warning", "Information")


def write_log(path):
    with open(path, "wb") as f:
        for i in range(RECORDS):
            f.write(f"[2024-05-01 10:00:00]{SEVERITIES[i % 3]}>      Module \"Main\", "
                    f"Procedure \"TMainForm.FormCreate\", Line {i}>Exception class "
                    f"EAccessViolation at address 0000000000401000\r\n".encode())


class XDisplay:
    """Just enough of Xlib, through ctypes, to see a window appear without starting a
    process per look (xdotool costs a few hundred milliseconds a call on a busy machine)."""

    IS_VIEWABLE = 2

    class WindowAttributes(ctypes.Structure):
        # XWindowAttributes up to map_state; the rest is room for the fields after it.
        _fields_ = [("x", ctypes.c_int), ("y", ctypes.c_int), ("width", ctypes.c_int),
                    ("height", ctypes.c_int), ("border_width", ctypes.c_int),
                    ("depth", ctypes.c_int), ("visual", ctypes.c_void_p),
                    ("root", ctypes.c_ulong), ("class_", ctypes.c_int),
                    ("bit_gravity", ctypes.c_int), ("win_gravity", ctypes.c_int),
                    ("backing_store", ctypes.c_int), ("backing_planes", ctypes.c_ulong),
                    ("backing_pixel", ctypes.c_ulong), ("save_under", ctypes.c_int),
                    ("colormap", ctypes.c_ulong), ("map_installed", ctypes.c_int),
                    ("map_state", ctypes.c_int), ("rest", ctypes.c_char * 64)]

    def __init__(self):
        self.x = ctypes.CDLL(ctypes.util.find_library("X11"))
        self.x.XOpenDisplay.restype = ctypes.c_void_p
        self.x.XDefaultRootWindow.restype = ctypes.c_ulong
        self.x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.x.XQueryTree.argtypes = [ctypes.c_void_p, ctypes.c_ulong] + [ctypes.c_void_p] * 4
        self.x.XGetWindowAttributes.argtypes = [ctypes.c_void_p, ctypes.c_ulong,
                                                ctypes.c_void_p]
        self.x.XFree.argtypes = [ctypes.c_void_p]
        self.display = self.x.XOpenDisplay(None)
        if not self.display:
            raise RuntimeError("cannot open the X display")
        self.root = self.x.XDefaultRootWindow(self.display)

    def viewable_windows(self):
        root, parent = ctypes.c_ulong(), ctypes.c_ulong()
        children, count = ctypes.POINTER(ctypes.c_ulong)(), ctypes.c_uint()
        self.x.XQueryTree(self.display, self.root, ctypes.byref(root), ctypes.byref(parent),
                          ctypes.byref(children), ctypes.byref(count))
        windows = set()
        attributes = self.WindowAttributes()
        for i in range(count.value):
            self.x.XGetWindowAttributes(self.display, children[i], ctypes.byref(attributes))
            if attributes.map_state == self.IS_VIEWABLE:
                windows.add(children[i])
        if children:
            self.x.XFree(children)
        return windows


def open_time(display, program, log, env):
    """Seconds until a new window is on screen; the viewer is the only program starting."""
    before = display.viewable_windows()
    start = time.monotonic()
    process = subprocess.Popen([program, log], env=env, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    try:
        while not display.viewable_windows() - before:
            if process.poll() is not None or time.monotonic() - start > 30:
                raise RuntimeError("no viewer window")
            time.sleep(0.002)
        return time.monotonic() - start
    finally:
        process.kill()
        process.wait()


def main():
    if len(sys.argv) != 2 or not os.environ.get("DISPLAY"):
        sys.exit("usage (with an X display): open_time.py PATH/TO/corvane-logview")
    folder = tempfile.mkdtemp(prefix="corvane-logview-bench-")
    try:
        log = os.path.join(folder, "error.log")
        write_log(log)
        env = dict(os.environ, HOME=folder, GSETTINGS_BACKEND="memory")
        display = XDisplay()
        times = [open_time(display, sys.argv[1], log, env) for _ in range(RUNS)]
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    print(f"{RECORDS} records, {RUNS} runs: median {statistics.median(times):.3f} s, "
          f"min {min(times):.3f} s, max {max(times):.3f} s")


if __name__ == "__main__":
    main()
