"""What the end-to-end tests read of the program through the accessibility tree: a private
D-Bus session bus for the program's accessibility bus, and atspi_probe.py run under a Python
that has the AT-SPI bindings."""

import json
import os
import shutil
import signal
import subprocess
import sys

PROBE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "atspi_probe.py")


def python_with_atspi():
    """A Python that has the AT-SPI bindings, or None."""
    check = "import gi; gi.require_version('Atspi', '2.0'); from gi.repository import Atspi"
    for candidate in dict.fromkeys([sys.executable, "/usr/bin/python3", shutil.which("python3")]):
        if candidate and subprocess.run([candidate, "-c", check], capture_output=True,
                                        timeout=30).returncode == 0:
            return candidate
    return None


class SessionBus:
    """A private D-Bus session bus, so the accessibility bus starts for one test class only."""

    def __init__(self):
        self.process = subprocess.Popen(["dbus-daemon", "--session", "--nofork",
                                         "--print-address=1"], stdout=subprocess.PIPE,
                                        stderr=subprocess.DEVNULL, text=True)
        self.address = self.process.stdout.readline().strip()
        if not self.address:
            self.stop()
            raise RuntimeError("dbus-daemon gave no address")

    def stop(self):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            self.process.wait(timeout=10)

    def program_env(self):
        """What a program needs in its environment to be seen on this bus."""
        return {"DBUS_SESSION_BUS_ADDRESS": self.address, "NO_AT_BRIDGE": None,
                "GSETTINGS_BACKEND": "memory"}


class Reader:
    """Reads the accessible objects of running programs over one session bus."""

    def __init__(self):
        self.python = python_with_atspi()
        if not self.python or not shutil.which("dbus-daemon"):
            raise AssertionError("python3-gi, gir1.2-atspi-2.0 and dbus-daemon are needed "
                                 "(scripts/install-deps.sh)")
        self.bus = SessionBus()

    def stop(self):
        self.bus.stop()

    def _probe(self, pid, *arguments):
        result = subprocess.run([self.python, PROBE, str(pid), *arguments],
                                capture_output=True, text=True, timeout=30,
                                env=dict(os.environ, DBUS_SESSION_BUS_ADDRESS=self.bus.address))
        try:
            return json.loads(result.stdout), result.stderr
        except ValueError:
            return None, result.stderr

    def objects(self, pid):
        """The program's objects outside its pages: dicts of role, name and showing."""
        return self._probe(pid)[0] or []

    def press(self, pid, name):
        """Presses the showing push button called name; the probe's complaint if there was none."""
        pressed, complaint = self._probe(pid, "--press", name)
        return None if pressed else (complaint[-500:] or "no showing button " + name)
