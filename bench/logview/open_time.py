#!/usr/bin/env python3
"""Seconds from starting corvane-logview on an error log of 10,000 records to its window on
screen (the rows are listed before the window shows). Run under xvfb-run:

    xvfb-run -a python3 bench/logview/open_time.py build/bin/corvane-logview
"""

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


def visible_window(pid):
    result = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(pid)],
                            capture_output=True, text=True)
    return result.stdout.split()


def open_time(program, log, env):
    start = time.monotonic()
    process = subprocess.Popen([program, log], env=env, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    try:
        while not visible_window(process.pid):
            if time.monotonic() - start > 30:
                raise RuntimeError("no window within 30 s")
            time.sleep(0.005)
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
        times = [open_time(sys.argv[1], log, env) for _ in range(RUNS)]
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    print(f"{RECORDS} records, {RUNS} runs: median {statistics.median(times):.3f} s, "
          f"min {min(times):.3f} s, max {max(times):.3f} s")


if __name__ == "__main__":
    main()
