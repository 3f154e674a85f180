"""Shared harness of the end-to-end tests: runs the real program in a fresh home folder and
observes it only from outside (X window properties, screenshots, exit status, output, and what
the demo service saw of the pages)."""

import argparse
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.request

import accessibility

SKIP = 77  # the ctest skip code: no display to run on

PROGRAM = None  # set by main() from --program
SERVICE = None  # the demo service, started by main() for the whole run
SERVICE_SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                              "demo_service", "server.py")


def wait_until(probe, timeout, interval=0.1):
    """Calls probe until it answers something true or timeout seconds pass; returns the answer."""
    deadline = time.monotonic() + timeout
    while True:
        result = probe()
        if result or time.monotonic() >= deadline:
            return result
        time.sleep(interval)


def end_process(process, timeout=10):
    """Asks a helper process to end, and kills it if it does not within timeout seconds."""
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


def run_tool(*command):
    return subprocess.run(command, capture_output=True, text=True, timeout=30)


class Home:
    """A temporary home folder that several runs of the program share; removed by remove()."""

    def __init__(self):
        self.path = tempfile.mkdtemp(prefix="corvane-e2e-")

    @property
    def config_home(self):
        return os.path.join(self.path, ".config")

    @property
    def data_folder(self):
        return os.path.join(self.config_home, "Corvane")

    def data_file(self, name):
        return os.path.join(self.data_folder, name)

    def read_data_file(self, name):
        with open(self.data_file(name), "rb") as f:
            return f.read()

    def write_data_file(self, name, data):
        os.makedirs(self.data_folder, exist_ok=True)
        with open(self.data_file(name), "wb") as f:
            f.write(data)

    def remove(self):
        shutil.rmtree(self.path, ignore_errors=True)


class Session:
    """One run of the program with HOME and XDG_CONFIG_HOME in a temporary folder: a new one,
    removed at the end, or the given Home, which is kept for the next run; args are the
    program's command-line arguments.

    Use as a context manager; a program still running at the end is killed."""

    def __init__(self, env_changes=None, home=None, args=()):
        self.args = list(args)
        self.own_home = home is None
        self.home_folder = home or Home()
        self.home = self.home_folder.path
        self.env = dict(os.environ, HOME=self.home, XDG_CONFIG_HOME=self.home_folder.config_home)
        for name, value in (env_changes or {}).items():
            if value is None:
                self.env.pop(name, None)
            else:
                self.env[name] = value
        self.process = None
        self.stderr_path = os.path.join(self.home, "stderr.txt")

    def __enter__(self):
        with open(self.stderr_path, "wb") as stderr:
            self.process = subprocess.Popen([PROGRAM] + self.args, env=self.env, cwd=self.home,
                                            stdin=subprocess.DEVNULL,
                                            stdout=subprocess.DEVNULL, stderr=stderr)
        return self

    def __exit__(self, *exc):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        if self.own_home:
            self.home_folder.remove()
        return False

    @property
    def data_folder(self):
        return self.home_folder.data_folder

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

    def close(self, timeout=60):
        """Closes the window as the user would (SIGTERM); answers the exit code, None if the
        program did not end within timeout seconds."""
        self.send_signal(signal.SIGTERM)
        return self.wait_exit(timeout)


class DemoService:
    """The demo service on the two origins the program was built for, with its request log,
    page reports and scenario control."""

    def __init__(self, webapp_origin, marketing_origin):
        self.webapp_origin = webapp_origin
        self.marketing_origin = marketing_origin
        self.process = subprocess.Popen(
            [sys.executable, SERVICE_SCRIPT, "--webapp-origin", webapp_origin,
             "--marketing-origin", marketing_origin],
            stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        ready = self.process.stdout.readline()
        if not ready.startswith("ready"):
            self.stop()
            raise RuntimeError("demo service did not start: " + ready + self.process.stderr.read())

    def stop(self):
        end_process(self.process)

    def call(self, path, body=None):
        data = None if body is None else json.dumps(body).encode("utf-8")
        request = urllib.request.Request(self.webapp_origin + path, data=data,
                                         headers={"Content-Type": "application/json"})
        with urllib.request.urlopen(request, timeout=10) as response:
            return json.loads(response.read().decode("utf-8"))

    def requests(self):
        return self.call("/__demo/requests")

    def reports(self, page=None):
        return [r for r in self.call("/__demo/reports") if page is None or r.get("page") == page]

    def scenario(self, **choices):
        self.call("/__demo/scenario", choices)

    def reset(self):
        """Forgets scenario, requests and reports; waits out an outage a test left running."""
        def answered():
            try:
                self.call("/__demo/reset", {})
                return True
            except OSError:
                return False
        if not wait_until(answered, 60, interval=0.5):
            raise RuntimeError("the demo service does not answer")

    def paths(self, site=None):
        """The paths requested so far, in order, optionally of one site only."""
        return [r["path"] for r in self.requests() if site is None or r["site"] == site]


# A stored configuration that is past the first run, so the program opens the start page.
NOT_FIRST_RUN = (b"<Configuration><MainForm><FirstTime>No</FirstTime></MainForm>"
                 b"</Configuration>")
REPORT_TIMEOUT = 60


class ProgramTest(unittest.TestCase):
    """A test of the running program against the demo service: a reset service (leading to
    start_page, when set), a home of its own, past its first run unless first_run is set, and
    what the pages report."""

    start_page = None
    first_run = False

    def setUp(self):
        SERVICE.reset()
        if self.start_page:
            SERVICE.scenario(start=self.start_page)
        self.home = Home()
        self.addCleanup(self.home.remove)
        if not self.first_run:
            self.home.write_data_file("config.xml", NOT_FIRST_RUN)

    def start(self, env_changes=None, args=()):
        """Starts the program in the test's home; ends it with the test."""
        session = Session(env_changes=env_changes, home=self.home, args=args)
        session.__enter__()
        self.addCleanup(session.__exit__, None, None, None)
        windows = session.wait_for_windows()
        self.assertTrue(windows, "no window")
        self.window, self.session = windows[0], session
        return session

    def report_after(self, since, page, condition=lambda report: True):
        """The first report of page made after the time since that meets condition."""
        def found():
            return next((r for r in SERVICE.reports(page)
                         if r["time"] > since and condition(r)), None)
        report = wait_until(found, REPORT_TIMEOUT)
        self.assertTrue(report, "no such %s report; requests: %s; last reports: %s"
                        % (page, SERVICE.paths()[-5:], SERVICE.reports(page)[-3:]))
        return report

    def click(self, report, element):
        return click_element(self.window, report, element)


class AccessibleProgramTest(ProgramTest):
    """A ProgramTest whose program is read and pressed through the accessibility tree, on a
    session bus of the test class's own."""

    @classmethod
    def setUpClass(cls):
        cls.accessible = accessibility.Reader()

    @classmethod
    def tearDownClass(cls):
        cls.accessible.stop()

    def start(self, env_changes=None, args=()):
        return super().start(dict(self.accessible.bus.program_env(), **(env_changes or {})), args)


def window_title(window):
    return run_tool("xdotool", "getwindowname", str(window)).stdout.rstrip("\n")


def window_size(window):
    """(width, height) of the window's own area, decorations excluded."""
    info = run_tool("xwininfo", "-id", str(window)).stdout
    width = re.search(r"^\s*Width:\s*(\d+)", info, re.M)
    height = re.search(r"^\s*Height:\s*(\d+)", info, re.M)
    return (int(width.group(1)), int(height.group(1))) if width and height else None


def window_geometry(window):
    """(x, y, width, height) of the window on the screen, decorations excluded, or None."""
    shell = run_tool("xdotool", "getwindowgeometry", "--shell", str(window)).stdout
    values = dict(line.split("=", 1) for line in shell.split() if "=" in line)
    try:
        return tuple(int(values[name]) for name in ("X", "Y", "WIDTH", "HEIGHT"))
    except (KeyError, ValueError):
        return None


def click_element(window, report, element):
    """Clicks the middle of an element a page reported in its "elements" (see the demo
    service's corvaneLayout); answers the time of the click."""
    x, y, _, _ = window_geometry(window)
    left, top, width, height = report["elements"][element]
    clicked = time.time()
    run_tool("xdotool", "mousemove", str(x + int(left + width / 2)),
             str(y + int(top + height / 2)), "click", "1")
    return clicked


def type_text(window, text):
    """Types text into whatever has the keyboard focus in the window."""
    run_tool("xdotool", "windowfocus", "--sync", str(window))
    run_tool("xdotool", "type", "--delay", "60", text)


def pixel(window, x, y):
    """The colour at (x, y) inside the window as "RRGGBB", or None."""
    shot = run_tool("import", "-silent", "-window", str(window), "-crop", f"1x1+{x}+{y}",
                    "-depth", "8", "txt:-").stdout
    found = re.search(r"#([0-9A-Fa-f]{6})", shot)
    return found.group(1).upper() if found else None


# A line of error.log: part of a title that is a ">" is doubled; the description runs to the
# line's end.
LOG_LINE = re.compile(r"\[(?P<time>\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)\]Error>"
                      r"(?P<title>(?:[^>\r\n]|>>)*)>[^\r\n]*\r\n")


def log_titles(log):
    """The titles of error.log's lines; every line must be in the log's line format."""
    text = log.decode("utf-8")
    titles = []
    position = 0
    while position < len(text):
        match = LOG_LINE.match(text, position)
        if not match:
            raise AssertionError("not a log line: %r" % text[position:position + 120])
        titles.append(match.group("title").replace(">>", ">"))
        position = match.end()
    return titles


def main():
    """Entry of every test file: --program names the executable under test."""
    global PROGRAM, SERVICE
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--webapp-origin", required=True)
    parser.add_argument("--marketing-origin", required=True)
    args, rest = parser.parse_known_args()
    PROGRAM = os.path.abspath(args.program)
    if not os.environ.get("DISPLAY"):
        print("no X display: run the end-to-end tests under xvfb-run", file=sys.stderr)
        sys.exit(SKIP)
    for tool in ("xdotool", "xwininfo", "import"):
        if not shutil.which(tool):
            sys.exit(f"missing tool: {tool}")
    # Every run of the program opens pages of the service, so it runs for every test file.
    SERVICE = DemoService(args.webapp_origin, args.marketing_origin)
    try:
        unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
    finally:
        SERVICE.stop()
