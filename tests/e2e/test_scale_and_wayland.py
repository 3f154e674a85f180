"""Screens other than the plain X one: a display scaled by two keeps the page sharp and the
placement in logical pixels; under a Wayland compositor, which tells windows nothing of their
position, the program runs as usual and the stored position stays what it was."""

import os
import shutil
import subprocess
import tempfile
import xml.etree.ElementTree as ElementTree

import corvane_e2e as e2e

TIMEOUT = 60
OUTPUT_SIZE = (1024, 640)  # the headless compositor's screen


def service():
    return e2e.SERVICE


def placement_values(home):
    """The main window's stored placement, name to text, with the desktop-size variants."""
    form = ElementTree.fromstring(home.read_data_file("config.xml")).find("MainForm")
    return {child.tag: child.text for child in form}


def normal_size(values):
    left, top, right, bottom = (int(v) for v in values["NormPos"].split(","))
    return right - left, bottom - top


def configuration(**values):
    fields = "".join("<%s>%s</%s>" % (name, value, name) for name, value in values.items())
    return ("<Configuration><MainForm>%s<FirstTime>No</FirstTime></MainForm></Configuration>"
            % fields).encode("utf-8")


class Weston:
    """A headless Wayland compositor on a runtime folder of its own."""

    def __init__(self):
        self.runtime_dir = tempfile.mkdtemp(prefix="corvane-e2e-wayland-")
        os.chmod(self.runtime_dir, 0o700)
        self.display = "wayland-corvane"
        self.log_path = os.path.join(self.runtime_dir, "weston.log")
        env = dict(os.environ, XDG_RUNTIME_DIR=self.runtime_dir)
        env.pop("WAYLAND_DISPLAY", None)
        self.process = subprocess.Popen(
            ["weston", "--backend=headless-backend.so", "--no-config", "--idle-time=0",
             "--socket=" + self.display, "--width=%d" % OUTPUT_SIZE[0],
             "--height=%d" % OUTPUT_SIZE[1], "--log=" + self.log_path],
            env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)
        socket = os.path.join(self.runtime_dir, self.display)
        if not e2e.wait_until(lambda: os.path.exists(socket) or self.process.poll() is not None,
                              TIMEOUT) or self.process.poll() is not None:
            log = self.log()
            self.stop()
            raise RuntimeError("weston did not start: " + log)

    def env_changes(self):
        """What a client needs to run on this compositor, and on it only."""
        return {"GDK_BACKEND": "wayland", "WAYLAND_DISPLAY": self.display,
                "XDG_RUNTIME_DIR": self.runtime_dir}

    def log(self):
        try:
            with open(self.log_path, encoding="utf-8", errors="replace") as f:
                return f.read()
        except FileNotFoundError:
            return ""

    def stop(self):
        e2e.end_process(self.process)
        shutil.rmtree(self.runtime_dir, ignore_errors=True)


class ScaledScreenTest(e2e.ProgramTest):
    start_page = "/invoices"  # the invoices report their pixel ratio

    def wait_for_invoices(self, event, count=1):
        reports = e2e.wait_until(
            lambda: [r for r in service().reports("invoices") if r["event"] == event][count - 1:],
            TIMEOUT)
        self.assertTrue(reports, "no %s report of the invoices" % event)
        return reports[-1]

    def test_scale_two_is_sharp_and_keeps_the_placement_in_logical_pixels(self):
        logical = (400, 300)
        with e2e.Session(home=self.home, env_changes={"GDK_SCALE": "2"}) as session:
            window = session.wait_for_windows()[0]
            self.assertEqual(self.wait_for_invoices("load")["devicePixelRatio"], 2)
            # The X server counts device pixels: twice the logical size.
            e2e.run_tool("xdotool", "windowsize", str(window), str(2 * logical[0]),
                         str(2 * logical[1]))
            self.assertTrue(e2e.wait_until(
                lambda: [r for r in service().reports("invoices")
                         if r["event"] == "resize" and r["innerWidth"] == logical[0]], TIMEOUT),
                "the page did not get the logical width: %s" % (e2e.window_size(window),))
            self.assertEqual(session.close(), 0, session.stderr())
        values = placement_values(self.home)
        self.assertEqual(normal_size(values), logical, values)

        service().reset()
        service().scenario(start="/invoices")
        with e2e.Session(home=self.home, env_changes={"GDK_SCALE": "1"}) as session:
            window = session.wait_for_windows()[0]
            self.assertEqual(self.wait_for_invoices("load")["devicePixelRatio"], 1)
            self.assertTrue(e2e.wait_until(lambda: e2e.window_size(window) == logical, TIMEOUT),
                            "restored at %s" % (e2e.window_size(window),))
            self.assertEqual(session.close(), 0, session.stderr())
        self.assertEqual(normal_size(placement_values(self.home)), logical)


class WaylandTest(e2e.ProgramTest):
    first_run = True  # each test stores its own configuration

    def setUp(self):
        if not shutil.which("weston"):
            self.skipTest("weston is not installed")
        super().setUp()
        self.weston = Weston()
        self.addCleanup(self.weston.stop)

    def run_on_wayland(self):
        """Starts the program on the compositor until the start page runs, then closes it."""
        with e2e.Session(home=self.home, env_changes=self.weston.env_changes()) as session:
            reported = e2e.wait_until(lambda: service().reports("start"), TIMEOUT)
            self.assertTrue(reported, "no page ran: " + session.stderr() + self.weston.log())
            self.assertEqual(session.close(), 0, session.stderr())

    def test_the_stored_position_and_size_stay_as_they_were(self):
        stored = {"ShowCmd": "1", "PixelsPerInch": "96", "MinMaxPos": "-1,-1,-4,-27",
                  "NormPos": "123,77,623,477"}
        self.home.write_data_file("config.xml", configuration(**stored))
        self.run_on_wayland()
        values = placement_values(self.home)
        suffix = "_%dx%d_" % OUTPUT_SIZE  # written with the desktop's size as well
        self.assertEqual(values["ShowCmd"], stored["ShowCmd"], values)
        for name in ("MinMaxPos", "NormPos"):
            with self.subTest(name=name):
                self.assertEqual(values[name], stored[name], values)
                self.assertEqual(values[name + suffix], stored[name], values)

    def test_a_maximized_window_stays_maximized_with_its_normal_bounds(self):
        stored = {"ShowCmd": "3", "PixelsPerInch": "96", "MinMaxPos": "-1,-1,-4,-27",
                  "NormPos": "40,30,540,430"}
        self.home.write_data_file("config.xml", configuration(**stored))
        self.run_on_wayland()
        values = placement_values(self.home)
        self.assertEqual(values["ShowCmd"], "3", values)
        self.assertEqual(values["NormPos"], stored["NormPos"], values)


if __name__ == "__main__":
    e2e.main()
