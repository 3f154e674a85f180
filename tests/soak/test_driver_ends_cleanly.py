#!/usr/bin/env python3
"""The soak driver, told to end in the middle of a session (SIGTERM, as a test runner's timeout
sends), leaves no process and no temporary folder behind.

Usage: test_driver_ends_cleanly.py --program PROGRAM --webapp-origin URL --marketing-origin URL
Run it under an X server (xvfb-run -a)."""

import argparse
import glob
import os
import signal
import subprocess
import sys
import tempfile

import soak

DRIVER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "soak.py")


def our_folders():
    return set(glob.glob(os.path.join(tempfile.gettempdir(), "corvane-*")))


def family_of(pid):
    table = soak.processes()
    family = {pid}
    while True:
        new = {child for child, parent, _ in table if parent in family} - family
        if not new:
            return family
        family |= new


def alive(pid):
    try:
        with open("/proc/%d/stat" % pid) as f:
            return f.read().rsplit(")", 1)[1].split()[0] != "Z"
    except OSError:
        return False


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--program", required=True)
    parser.add_argument("--webapp-origin", required=True)
    parser.add_argument("--marketing-origin", required=True)
    args = parser.parse_args()
    if not os.environ.get("DISPLAY"):
        print("no X display: run under xvfb-run", file=sys.stderr)
        return soak.e2e.SKIP
    folders_before = our_folders()
    driver = subprocess.Popen([sys.executable, DRIVER, "--program", args.program,
                               "--webapp-origin", args.webapp_origin,
                               "--marketing-origin", args.marketing_origin,
                               "--seeds", "3", "--seconds", "120"],
                              env=dict(os.environ, PYTHONDONTWRITEBYTECODE="1"))
    started = soak.e2e.wait_until(
        lambda: soak.descendants(driver.pid, os.path.basename(args.program)), 60)
    helpers = sorted(family_of(driver.pid) - {driver.pid})
    driver.send_signal(signal.SIGTERM)
    status = driver.wait(timeout=60)
    left = soak.e2e.wait_until(lambda: not [pid for pid in helpers if alive(pid)], 10)
    problems = []
    if not started:
        problems.append("the program never started under the driver")
    if not left:
        problems.append("processes left behind: %s" % [pid for pid in helpers if alive(pid)])
    if our_folders() - folders_before:
        problems.append("folders left behind: %s" % sorted(our_folders() - folders_before))
    print("driver ended with %d after SIGTERM; %d processes were below it" % (status, len(helpers)))
    for problem in problems:
        print(problem, file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
