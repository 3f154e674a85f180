"""Shared harness of the end-to-end tests: runs the real program in a fresh home folder and
observes it only from outside (X window properties, screenshots, exit status, output)."""

import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

SKIP = 77  # the ctest skip code: no display to run on

PROGRAM = None  # set by main() from --program


def wait_until(probe, timeout, interval=0.1):
    """Calls probe until it answers something true or timeout seconds pass; returns the answer."""
    deadline = time.monotonic() + timeout
    while True:
        result = probe()
        if result or time.monotonic() >= deadline:
            return result
        time.sleep(interval)


def run_tool(*command):
    return subprocess.run(command, capture_output=True, text=True, timeout=30)


class Session:
    """One run of the program with HOME and XDG_CONFIG_HOME in a new temporary folder.

    Use as a context manager; a program still running at the end is killed."""

    def __init__(self, env_changes=None):
        self.home = tempfile.mkdtemp(prefix="corvane-e2e-")
        self.env = dict(os.environ, HOME=self.home,
                        XDG_CONFIG_HOME=os.path.join(self.home, ".config"))
        for name, value in (env_changes or {}).items():
            if value is None:
                self.env.pop(name, None)
            else:
                self.env[name] = value
        self.process = None
        self.stderr_path = os.path.join(self.home, "stderr.txt")

    def __enter__(self):
        with open(self.stderr_path, "wb") as stderr:
            self.process = subprocess.Popen([PROGRAM], env=self.env, cwd=self.home,
                                            stdin=subprocess.DEVNULL,
                                            stdout=subprocess.DEVNULL, stderr=stderr)
        return self

    def __exit__(self, *exc):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        shutil.rmtree(self.home, ignore_errors=True)
        return False

    @property
    def data_folder(self):
        return os.path.join(self.env["XDG_CONFIG_HOME"], "Corvane")

    def stderr(self):
        with open(self.stderr_path, encoding="utf-8", errors="replace") as f:
            return f.read()

    def visible_windows(self):
        result = run_tool("xdotool", "search", "--onlyvisible", "--pid", str(self.process.pid))
        return [int(line) for line in result.stdout.split()]

    def wait_for_windows(self, timeout=30):
        """The program's visible top-level windows, once there is at least one."""
        return wait_until(self.visible_windows, timeout)

    def send_signal(self, signum):
        self.process.send_signal(signum)

    def wait_exit(self, timeout):
        """The exit code, or None if the program is still running after timeout seconds."""
        try:
            return self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            return None


def window_title(window):
    return run_tool("xdotool", "getwindowname", str(window)).stdout.rstrip("\n")


def window_size(window):
    """(width, height) of the window's own area, decorations excluded."""
    info = run_tool("xwininfo", "-id", str(window)).stdout
    width = re.search(r"^\s*Width:\s*(\d+)", info, re.M)
    height = re.search(r"^\s*Height:\s*(\d+)", info, re.M)
    return (int(width.group(1)), int(height.group(1))) if width and height else None


def pixel(window, x, y):
    """The colour at (x, y) inside the window as "RRGGBB", or None."""
    shot = run_tool("import", "-silent", "-window", str(window), "-crop", f"1x1+{x}+{y}",
                    "-depth", "8", "txt:-").stdout
    found = re.search(r"#([0-9A-Fa-f]{6})", shot)
    return found.group(1).upper() if found else None


def main():
    """Entry of every test file: --program names the executable under test."""
    global PROGRAM
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    args, rest = parser.parse_known_args()
    PROGRAM = os.path.abspath(args.program)
    if not os.environ.get("DISPLAY"):
        print("no X display: run the end-to-end tests under xvfb-run", file=sys.stderr)
        sys.exit(SKIP)
    for tool in ("xdotool", "xwininfo", "import"):
        if not shutil.which(tool):
            sys.exit(f"missing tool: {tool}")
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
