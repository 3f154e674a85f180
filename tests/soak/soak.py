"""Seeded session driver: runs the real program against the demo service and plays a stream of
user actions at it, about three a second, drawn from a seeded random generator (the same seed
draws the same stream), while web processes are killed underneath and the service goes away
and comes back. Afterwards it checks what a user would notice: a crash, a stalled window, an
exception in error.log, a page that did not come back after its web process died, settings
that were not kept. A second mode kills the program while it saves and checks that config.xml
and error.log are each always a whole file.

Usage: soak.py --program corvane --webapp-origin URL --marketing-origin URL
               [--seeds 1,2 | --sessions N] [--seconds S] [--kill-saves N] [--memory-log FILE]
Runs under an X server (xvfb-run). Exit code 0 when every session passed."""

import argparse
import collections
import glob
import json
import os
import random
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time
import traceback
import xml.etree.ElementTree as ElementTree

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import corvane_e2e as e2e  # noqa: E402

ACTION_PAUSE = 1 / 3
STALL_LIMIT = 5.0          # longest the window's main loop may leave a request unanswered
RECOVERY_LIMIT = 3.0       # a killed page is back within this
# The runtime's guard against crash loops (its own page after a second death within a minute)
# counts from when it handled the last death, not from the driver's kill: the next kill is
# counted from the page's return, with room to spare.
KILL_SPACING = 66.0
FIRST_KILL_AT = 5.0
START_TIMEOUT = 60
WORDS = ("Kestrel", "invoice", "Amber", "total", "42", "zzz")
# Elements a random click leaves alone: each opens something modal or stops the service,
# which have actions of their own.
UNCLICKED = {"stop-link", "print", "delete", "payments", "logout-link"}
CTRL_PLUS = "ctrl+shift+equal"


class SoakFailure(AssertionError):
    pass


def pss_kib(pid):
    """Proportional set size of a process in KiB, or 0 once it is gone."""
    try:
        with open("/proc/%d/smaps_rollup" % pid) as f:
            for line in f:
                if line.startswith("Pss:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def processes():
    """(pid, parent pid, program file name) of every process."""
    found = []
    for folder in glob.glob("/proc/[0-9]*"):
        try:
            with open(os.path.join(folder, "stat")) as f:
                parent = int(f.read().rsplit(")", 1)[1].split()[1])
            with open(os.path.join(folder, "cmdline"), "rb") as f:
                command = f.read().split(b"\0")[0].decode("utf-8", "replace")
        except (OSError, IndexError, ValueError):
            continue  # gone meanwhile
        found.append((int(os.path.basename(folder)), parent, os.path.basename(command)))
    return found


def descendants(pid, program_name):
    """The pids of pid's descendants that run the program of that file name (the web process
    runs inside a sandbox launcher, so it is no direct child)."""
    table = processes()
    family, found = {pid}, []
    while True:
        new = {child for child, parent, _ in table if parent in family} - family
        if not new:
            break
        family |= new
    return [child for child, _, name in table if child in family - {pid} and name == program_name]


class Program:
    """One run of the program in the session's home, with its window."""

    def __init__(self, env, stderr_path):
        self.env = env
        with open(stderr_path, "ab") as stderr:
            self.process = subprocess.Popen([e2e.PROGRAM], env=env, cwd=env["HOME"],
                                            stdin=subprocess.DEVNULL,
                                            stdout=subprocess.DEVNULL, stderr=stderr)
        self.window = None

    def wait_for_window(self):
        windows = e2e.wait_until(self.windows, START_TIMEOUT)
        if not windows:
            raise SoakFailure("the program showed no window")
        self.window = windows[0]

    @property
    def pid(self):
        return self.process.pid

    def windows(self):
        result = e2e.run_tool("xdotool", "search", "--onlyvisible", "--pid", str(self.pid))
        return [int(line) for line in result.stdout.split()]

    def end(self, signum=signal.SIGTERM):
        """Sends signum and answers the exit status (negative: died of that signal)."""
        if self.process.poll() is None:
            self.process.send_signal(signum)
        try:
            return self.process.wait(timeout=START_TIMEOUT)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
            raise SoakFailure("the program did not end within %d s of signal %d"
                              % (START_TIMEOUT, signum))


class Heartbeat(threading.Thread):
    """Asks the running program every second, over its single-instance socket, to come to the
    front; its main loop answers. Keeps the longest wait for an answer."""

    def __init__(self, runtime_dir):
        super().__init__(daemon=True)
        self.runtime_dir = runtime_dir
        self.longest = 0.0
        self.paused = threading.Event()
        self.stopped = threading.Event()

    def run(self):
        while not self.stopped.wait(1.0):
            if not self.paused.is_set():
                self.longest = max(self.longest, self.ask() or 0.0)

    def ask(self):
        """Seconds until the program answered; None when no program listens."""
        sockets = glob.glob(os.path.join(self.runtime_dir, "corvane-*.socket"))
        if not sockets:
            return None
        started = time.monotonic()
        try:
            with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as connection:
                connection.settimeout(30)
                connection.connect(sockets[0])
                connection.sendall(b"raise soak-heartbeat\n")
                if not connection.recv(64):
                    return None  # closed unanswered: the program is ending
        except OSError:
            return None
        return time.monotonic() - started


class Session:
    """One seeded session: a fresh home, the program, the stream of actions, the checks."""

    def __init__(self, seed, seconds, service, restarts=True):
        self.seed = seed
        self.restarts = restarts  # False: one program lives through, for its memory curve
        self.seconds = seconds
        self.service = service
        self.random = random.Random(seed)
        self.actions = collections.deque(maxlen=20)
        self.home = e2e.Home()
        self.runtime_dir = tempfile.mkdtemp(prefix="corvane-soak-run-")
        self.stderr_path = os.path.join(self.home.path, "stderr.txt")
        self.env = dict(os.environ, HOME=self.home.path, XDG_CONFIG_HOME=self.home.config_home,
                        XDG_RUNTIME_DIR=self.runtime_dir)
        self.heartbeat = Heartbeat(self.runtime_dir)
        self.program = None
        self.outage_until = 0.0
        self.recoveries = []
        self.memory = []
        self.exits = []
        self.last_geometry = None

    # Setting up and tearing down.

    def prepare_home(self):
        # A click at a place a scroll or zoom has moved since the page reported it can hit the
        # stop link, which would take the service away unannounced: here it stops for no time.
        self.service.scenario(stop_seconds=0)
        self.home.write_data_file(
            "config.xml", b"<Configuration><MainForm><FirstTime>No</FirstTime></MainForm>"
                          b"</Configuration>")
        with open(os.path.join(self.home.config_home, "user-dirs.dirs"), "w") as f:
            f.write('XDG_DOWNLOAD_DIR="%s"\n' % os.path.join(self.home.path, "Downloads"))

    def cleanup(self):
        self.heartbeat.stopped.set()
        if self.program and self.program.process.poll() is None:
            self.program.process.kill()
            self.program.process.wait()
        shutil.rmtree(self.runtime_dir, ignore_errors=True)
        self.home.remove()

    def stderr(self):
        with open(self.stderr_path, encoding="utf-8", errors="replace") as f:
            return f.read()

    # What the pages say.

    def reports(self, page=None):
        """The service's page reports; waits out an outage the session started."""
        deadline = max(time.time(), self.outage_until) + START_TIMEOUT
        while True:
            try:
                return self.service.reports(page)
            except OSError:
                if time.time() > deadline:
                    raise
                time.sleep(0.2)

    def latest_report(self):
        reports = [r for r in self.reports() if "elements" in r]
        return reports[-1] if reports else None

    def wait_report(self, since, page, condition=lambda r: True):
        report = e2e.wait_until(lambda: next(
            (r for r in self.reports(page) if r["time"] > since and condition(r)), None),
            START_TIMEOUT)
        if not report:
            raise SoakFailure("no %s page after %.1f" % (page, since))
        return report

    def log_in(self):
        start = self.wait_report(0, "start", lambda r: r.get("event") == "load")
        login = self.wait_report(e2e.click_element(self.program.window, start, "login-link"),
                                 "login", lambda r: r["event"] == "settled")
        for element, text in (("email", "soak@example.org"), ("password", "soak")):
            e2e.click_element(self.program.window, login, element)
            e2e.type_text(self.program.window, text)
        self.wait_report(e2e.click_element(self.program.window, login, "submit"), "start",
                         lambda r: r.get("event") == "load" and r["loggedIn"])

    # The actions; each draws its random numbers first, so a seed replays the same stream.

    def key(self, *keys):
        e2e.run_tool("xdotool", "windowfocus", "--sync", str(self.program.window))
        e2e.run_tool("xdotool", "key", "--delay", "40", *keys)

    def click_point(self):
        fx, fy = self.random.random(), self.random.random()
        geometry = e2e.window_geometry(self.program.window)
        if geometry:
            x, y, width, height = geometry
            px, py = int(fx * width), int(fy * height)
            if not self.on_unclicked_element(px, py):
                e2e.run_tool("xdotool", "mousemove", str(x + px), str(y + py), "click", "1")

    def on_unclicked_element(self, px, py):
        """A random click leaves the elements with actions of their own alone: a stop link hit
        by chance took the service away for 30 s unannounced."""
        report = self.latest_report()
        margin = 4
        return report and any(
            left - margin <= px <= left + w + margin and top - margin <= py <= top + h + margin
            for element, (left, top, w, h) in report["elements"].items()
            if element in UNCLICKED)

    def click_element(self):
        pick = self.random.random()
        report = self.latest_report()
        if report:
            ids = sorted(i for i in report["elements"] if i not in UNCLICKED)
            if ids:
                e2e.click_element(self.program.window, report, ids[int(pick * len(ids))])

    def type_word(self):
        e2e.type_text(self.program.window, self.random.choice(WORDS))

    def tab(self):
        self.key(self.random.choice(("Tab", "shift+Tab")))

    def scroll(self):
        button = self.random.choice(("4", "5"))
        e2e.run_tool("xdotool", "mousemove", "--window", str(self.program.window), "300", "300",
                     "click", "--repeat", "3", button)

    def zoom_key(self):
        self.key(self.random.choice((CTRL_PLUS, "ctrl+minus", "ctrl+0")))

    def zoom_wheel(self):
        button = self.random.choice(("4", "5"))
        e2e.run_tool("xdotool", "mousemove", "--window", str(self.program.window), "300", "300",
                     "keydown", "ctrl", "click", button, "keyup", "ctrl")

    def find(self):
        word = self.random.choice(WORDS)
        self.key("ctrl+f")
        e2e.run_tool("xdotool", "type", "--delay", "40", word)
        self.key("Escape")

    def print_and_cancel(self):
        self.heartbeat.paused.set()  # coming to the front would hide the dialog
        try:
            before = set(self.program.windows())
            self.key("ctrl+p")
            dialogs = e2e.wait_until(lambda: [w for w in self.program.windows()
                                              if w not in before], 10) or []

            def closed():
                # A dialog still setting up may miss the key: pressed again, as a user would.
                still_open = [w for w in self.program.windows() if w in dialogs]
                for dialog in still_open:
                    e2e.run_tool("xdotool", "windowfocus", "--sync", str(dialog), "key", "Escape")
                return not still_open
            if dialogs and not e2e.wait_until(closed, START_TIMEOUT, interval=1.0):
                raise SoakFailure("the print dialog did not close on Escape")
        finally:
            self.heartbeat.paused.clear()

    def download(self):
        link = self.random.choice(("invoice-42", "broken"))
        report = self.latest_report()
        if report and report.get("page") == "invoices":
            e2e.click_element(self.program.window, report, link)
        elif report and "nav-invoices" in report["elements"]:
            e2e.click_element(self.program.window, report, "nav-invoices")

    def resize(self):
        width, height = self.random.randint(500, 1200), self.random.randint(400, 900)
        x, y = self.random.randint(0, 200), self.random.randint(0, 120)
        window = str(self.program.window)
        e2e.run_tool("xdotool", "windowsize", window, str(width), str(height))
        e2e.run_tool("xdotool", "windowmove", window, str(x), str(y))

    def history(self):
        self.key(self.random.choice(("alt+Left", "alt+Right")))

    def outage(self):
        seconds = self.random.uniform(2, 6)
        try:
            self.service.call("/__demo/outage", {"seconds": seconds})
        except OSError:
            return  # the service is away already
        self.outage_until = time.time() + seconds + 1

    def second_start(self):
        with open(self.stderr_path, "ab") as stderr:
            status = subprocess.run([e2e.PROGRAM], env=self.env, cwd=self.home.path,
                                    stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                    stderr=stderr, timeout=START_TIMEOUT).returncode
        if status != 0:
            raise SoakFailure("a second start ended with %d" % status)

    def restart(self):
        self.stop_program()
        self.start_program()

    ACTIONS = ((click_point, 10), (click_element, 16), (type_word, 8), (tab, 5), (scroll, 5),
               (zoom_key, 4), (zoom_wheel, 2), (find, 2), (print_and_cancel, 1), (download, 3),
               (resize, 2), (history, 2), (outage, 1), (second_start, 1), (restart, 0.5))

    def next_action(self):
        functions, weights = zip(*((action, weight) for action, weight in self.ACTIONS
                                   if self.restarts or action is not Session.restart))
        return self.random.choices(functions, weights)[0]

    # The program's life and the checks around it.

    def start_program(self):
        # Known to the session before anything can fail, so that its cleanup ends it.
        self.program = Program(self.env, self.stderr_path)
        self.program.wait_for_window()
        return self.program

    def stop_program(self):
        self.last_geometry = e2e.window_geometry(self.program.window)
        status = self.program.end()
        self.exits.append(status)
        if status != 0:
            raise SoakFailure("the program ended with %d" % status)
        self.check_files()

    def check_files(self):
        """What the program saved when it ended is whole and holds the window's place."""
        config = ElementTree.fromstring(self.home.read_data_file("config.xml"))
        if config.findtext("MainForm/FirstTime") != "No":
            raise SoakFailure("config.xml lost the first-run mark")
        norm = config.findtext("MainForm/NormPos")
        if self.last_geometry and norm:
            x, y, width, height = self.last_geometry
            if norm != "%d,%d,%d,%d" % (x, y, x + width, y + height):
                raise SoakFailure("config.xml holds %s for the window at %s"
                                  % (norm, self.last_geometry))
        self.check_log()

    def check_log(self):
        try:
            log = self.home.read_data_file("error.log")
        except FileNotFoundError:
            return
        exceptions = [t for t in e2e.log_titles(log) if t.startswith("Exception ")]
        if exceptions:
            raise SoakFailure("error.log has exceptions: %s" % exceptions[:5])

    def kill_web_process(self):
        """Kills the page's web process and waits for the page to report itself again."""
        victims = descendants(self.program.pid, "WebKitWebProcess")
        if not victims or time.time() < self.outage_until:
            return False
        report = self.latest_report()
        killed = time.time()
        for pid in victims:
            os.kill(pid, signal.SIGKILL)
        self.actions.append("%.1f kill web process %s" % (killed, victims))
        back = e2e.wait_until(lambda: [r for r in self.reports()
                                       if r["time"] > killed], START_TIMEOUT, interval=0.05)
        if not back:
            raise SoakFailure("the page never came back after its web process was killed "
                              "(it showed %s)" % (report or {}).get("page"))
        self.recoveries.append(back[0]["time"] - killed)
        return True

    def sample_memory(self, elapsed):
        web = [pid for name in ("WebKitWebProcess", "WebKitNetworkProcess")
               for pid in descendants(self.program.pid, name)]
        self.memory.append({"minute": round(elapsed / 60, 2), "program_kib": pss_kib(
            self.program.pid), "web_kib": sum(pss_kib(pid) for pid in web)})

    def run(self):
        self.prepare_home()
        self.start_program()
        self.heartbeat.start()
        self.log_in()
        started = time.monotonic()
        next_kill = FIRST_KILL_AT
        next_sample = 0.0
        while (elapsed := time.monotonic() - started) < self.seconds:
            if elapsed >= next_sample:
                self.sample_memory(elapsed)
                next_sample += 60
            if elapsed >= next_kill and self.kill_web_process():
                next_kill = time.monotonic() - started + KILL_SPACING
            action = self.next_action()
            self.actions.append("%.1f %s" % (time.time(), action.__name__))
            action(self)
            if self.program.process.poll() is not None:
                raise SoakFailure("the program ended by itself with %d"
                                  % self.program.process.returncode)
            time.sleep(ACTION_PAUSE)
        self.sample_memory(time.monotonic() - started)
        self.stop_program()
        self.heartbeat.stopped.set()
        if self.heartbeat.longest > STALL_LIMIT:
            raise SoakFailure("the window did not answer for %.1f s" % self.heartbeat.longest)
        slow = [round(s, 2) for s in self.recoveries if s > RECOVERY_LIMIT]
        if slow:
            raise SoakFailure("pages came back %s s after their web process died" % slow)


def kill_while_saving(session, count):
    """Kills the program count times at random moments while it saves; config.xml and
    error.log must be whole files every time."""
    chooser = session.random
    session.prepare_home()
    for round_number in range(count):
        program = session.start_program()
        saving = chooser.choice(("move", "zoom", "exit"))
        delay = chooser.uniform(0, 0.5)
        if saving == "move":
            e2e.run_tool("xdotool", "windowmove", str(program.window),
                         str(chooser.randint(0, 300)), str(chooser.randint(0, 200)))
        elif saving == "zoom":
            session.key(chooser.choice((CTRL_PLUS, "ctrl+minus")))
        else:
            program.process.send_signal(signal.SIGTERM)
        time.sleep(delay)
        program.end(signal.SIGKILL)
        session.actions.append("round %d: %s, killed after %.2f s" % (round_number, saving, delay))
        ElementTree.fromstring(session.home.read_data_file("config.xml"))
        try:
            e2e.log_titles(session.home.read_data_file("error.log"))
        except FileNotFoundError:
            pass


def report_failure(seed, session, error):
    print("FAILED seed %s: %s" % (seed, error))
    if not isinstance(error, SoakFailure):  # the driver's own trouble: where it came from
        print("".join(traceback.format_exception(error)[-4:]))
    print("last actions:\n  " + "\n  ".join(session.actions))
    try:
        print("program stderr:\n" + session.stderr()[-4000:])
    except OSError:
        pass


def print_session(session, memory_log):
    print("  passed: %d exits, web process back after %s s, longest answer %.2f s, memory %s"
          % (len(session.exits), [round(s, 2) for s in session.recoveries],
             session.heartbeat.longest, session.memory), flush=True)
    if memory_log:
        with open(memory_log, "a") as f:
            f.write(json.dumps({"seed": session.seed, "samples": session.memory}) + "\n")


def end_cleanly_when_terminated():
    """A driver told to end (SIGTERM, as a test runner's timeout sends) still ends the program
    and the demo service and removes its folders: the finally blocks run on the way out."""
    signal.signal(signal.SIGTERM, lambda signum, frame: sys.exit(128 + signum))


def main():
    end_cleanly_when_terminated()
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--program", required=True)
    parser.add_argument("--webapp-origin", required=True)
    parser.add_argument("--marketing-origin", required=True)
    parser.add_argument("--seeds", help="comma-separated seeds; default: --sessions random ones")
    parser.add_argument("--sessions", type=int, default=1)
    parser.add_argument("--seconds", type=float, default=60)
    parser.add_argument("--kill-saves", type=int, default=0)
    parser.add_argument("--memory-log", help="append each session's memory samples (JSON lines)")
    args = parser.parse_args()
    e2e.PROGRAM = os.path.abspath(args.program)
    if not os.environ.get("DISPLAY"):
        print("no X display: run the driver under xvfb-run", file=sys.stderr)
        return e2e.SKIP
    seeds = ([int(s) for s in args.seeds.split(",")] if args.seeds else
             [random.SystemRandom().randrange(1 << 31) for _ in range(args.sessions)])
    service = e2e.DemoService(args.webapp_origin, args.marketing_origin)
    passed = failed = 0
    try:
        runs = [(seed, "session") for seed in seeds]
        if args.kill_saves:
            runs.append((seeds[0], "kill-saves"))
        for seed, kind in runs:
            service.reset()
            session = Session(seed, args.seconds, service)
            try:
                if kind == "session":
                    print("session seed %d, %g s" % (seed, args.seconds), flush=True)
                    session.run()
                    print_session(session, args.memory_log)
                else:
                    print("killing the program %d times while it saves, seed %d"
                          % (args.kill_saves, seed), flush=True)
                    kill_while_saving(session, args.kill_saves)
                passed += 1
            except (SoakFailure, AssertionError, OSError, ValueError,
                    ElementTree.ParseError) as error:
                failed += 1
                report_failure(seed, session, error)
            finally:
                session.cleanup()
    finally:
        service.stop()
    print("%d passed, %d failed" % (passed, failed))
    return 0 if failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
