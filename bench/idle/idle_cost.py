#!/usr/bin/env python3
"""Idle cost of the program: starts it against the demo service in a fresh home folder, lets
the first page load, then samples /proc/<pid>/stat over a window of seconds with the window
open and the page idle, and prints the CPU share of one core used by the program's own process
(and, for reference, by its WebKit helper processes).

Usage: idle_cost.py --program build/bin/corvane [--seconds 10] [--settle 8]
                    [--webapp-origin URL --marketing-origin URL]
Run it under an X server (xvfb-run -a).
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.abspath(__file__))
SERVICE = os.path.join(ROOT, "..", "..", "demo_service", "server.py")
TICKS = os.sysconf("SC_CLK_TCK")


def cpu_ticks(pid):
    """utime + stime of one process, in clock ticks; None once it is gone."""
    try:
        with open(f"/proc/{pid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
    except OSError:
        return None
    return int(fields[11]) + int(fields[12])  # fields 14 and 15 of stat(5)


def children(pid):
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/stat") as f:
                parent = int(f.read().rsplit(")", 1)[1].split()[1])
        except OSError:
            continue
        if parent == pid:
            found.append(int(entry))
    return found


def share(before, after, seconds):
    return 100.0 * (after - before) / TICKS / seconds


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--seconds", type=float, default=10.0)
    parser.add_argument("--settle", type=float, default=8.0, help="seconds for the first page")
    parser.add_argument("--webapp-origin", default="http://127.0.0.1:18741")
    parser.add_argument("--marketing-origin", default="http://127.0.0.1:18742")
    args = parser.parse_args()
    if not os.environ.get("DISPLAY"):
        sys.exit("no X display: run under xvfb-run")

    home = tempfile.mkdtemp(prefix="corvane-idle-")
    service = subprocess.Popen([sys.executable, SERVICE, "--webapp-origin", args.webapp_origin,
                                "--marketing-origin", args.marketing_origin],
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    service.stdout.readline()
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
               XDG_CACHE_HOME=os.path.join(home, ".cache"))
    program = None
    try:
        program = subprocess.Popen([os.path.abspath(args.program)], env=env, cwd=home,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(args.settle)
        helpers = children(program.pid)
        start = {pid: cpu_ticks(pid) for pid in [program.pid] + helpers}
        time.sleep(args.seconds)
        end = {pid: cpu_ticks(pid) for pid in start}
        if program.poll() is not None:
            sys.exit("the program ended during the measurement")
        own = share(start[program.pid], end[program.pid], args.seconds)
        rest = sum(share(start[p], end[p], args.seconds)
                   for p in helpers if start[p] is not None and end[p] is not None)
        print(f"program process: {own:.2f}% of a core over {args.seconds:g} s")
        print(f"helper processes ({len(helpers)}): {rest:.2f}% of a core")
    finally:
        if program:
            program.terminate()
            try:
                program.wait(timeout=15)
            except subprocess.TimeoutExpired:
                program.kill()
        service.terminate()
        service.wait()
        shutil.rmtree(home, ignore_errors=True)


if __name__ == "__main__":
    main()
