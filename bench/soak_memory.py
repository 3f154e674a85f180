#!/usr/bin/env python3
"""Memory over an afternoon: runs one seeded soak session (tests/soak) of the given length, with
every action but the program's restart, and prints the proportional set size of the program and
of its WebKit processes each minute, and the end against the first minute (goals: program at
most 1.10x, web processes at most 1.25x).

Usage: soak_memory.py --program build/bin/corvane [--minutes 30] [--seed 7]
                      [--webapp-origin URL --marketing-origin URL]
Run it under an X server (xvfb-run -a), alone: WebKit processes of other programs share pages
with ours, which moves our proportional share while they start and end."""

import argparse
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests",
                                "soak"))
import soak  # noqa: E402

PROGRAM_GOAL = 1.10
WEB_GOAL = 1.25


def main():
    soak.end_cleanly_when_terminated()
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--program", required=True)
    parser.add_argument("--minutes", type=float, default=30)
    parser.add_argument("--seed", type=int, default=7)
    parser.add_argument("--webapp-origin", default="http://127.0.0.1:18741")
    parser.add_argument("--marketing-origin", default="http://127.0.0.1:18742")
    args = parser.parse_args()
    soak.e2e.PROGRAM = os.path.abspath(args.program)
    service = soak.e2e.DemoService(args.webapp_origin, args.marketing_origin)
    # The program is never restarted, so the end compares one process with itself.
    session = soak.Session(args.seed, args.minutes * 60, service, restarts=False)
    try:
        session.run()
    except soak.SoakFailure as error:
        soak.report_failure(args.seed, session, error)
        return 1
    finally:
        session.cleanup()
        service.stop()
    print("minute  program MiB  web MiB")
    for sample in session.memory:
        print("%6.1f  %11.1f  %7.1f" % (sample["minute"], sample["program_kib"] / 1024,
                                        sample["web_kib"] / 1024))
    first = next((s for s in session.memory if s["minute"] >= 1), session.memory[0])
    last = session.memory[-1]
    for name, key, goal in (("program", "program_kib", PROGRAM_GOAL),
                            ("web processes", "web_kib", WEB_GOAL)):
        ratio = last[key] / first[key] if first[key] else float("nan")
        print("%s: %.2fx the first minute (goal at most %.2fx): %s"
              % (name, ratio, goal, "met" if ratio <= goal else "missed"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
