"""corvane-logview as a support person uses it: opens an error log in the viewer, saves the
listed rows through the save dialog (Ctrl+S) and prints them (Ctrl+P, to a PDF file). Observed
only from outside: X windows, keystrokes, and the files written."""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

import corvane_e2e as e2e

PROGRAM = None  # set by main() from --program

# A log as the program writes it, with the damage a log can take: lines without brackets,
# bytes that are no text, an unknown severity, a bare CR and bare LF as line ends.
DAMAGED_LOG = (b"[2024-05-01 10:00:00]Error>Disk full>No space left\r\n"
               b"garbage line without brackets\r\n"
               b"\x00\xff\xfe binary junk [but no closing bracket\n"
               b"[2024-05-01 10:00:01]Warning>Slow>>reply>took > 5 s\n"
               b"[t]Bogus>Odd severity>kept as information\r"
               b"]reversed[ brackets\r\n"
               b"[2024-05-01 10:00:03]Error>No description\r\n")
# What the viewer lists from it, in its export form.
DAMAGED_LOG_EXPORT = (b"[2024-05-01 10:00:00] Error > Disk full > No space left\r\n"
                      b"[2024-05-01 10:00:01] Warning > Slow>reply > took > 5 s\r\n"
                      b"[t] Information > Odd severity > kept as information\r\n"
                      b"[2024-05-01 10:00:03] Error > No description > \r\n")

SEVERITIES = ("Error", "Warning", "Information")


def generated_log(records):
    lines = []
    for i in range(records):
        lines.append(f"[2024-05-01 10:{i // 60 % 60:02d}:{i % 60:02d}]{SEVERITIES[i % 3]}>"
                     f"Entry {i} a>>b>detail {i}\r\n")
    return "".join(lines).encode("utf-8")


def generated_log_export(records):
    return [f"[2024-05-01 10:{i // 60 % 60:02d}:{i % 60:02d}] {SEVERITIES[i % 3]} > "
            f"Entry {i} a>b > detail {i}" for i in range(records)]


class Viewer:
    """One run of corvane-logview with a temporary home folder; killed at the end."""

    def __init__(self):
        self.home = tempfile.mkdtemp(prefix="corvane-logview-e2e-")
        self.env = dict(os.environ, HOME=self.home,
                        XDG_CONFIG_HOME=os.path.join(self.home, ".config"),
                        GSETTINGS_BACKEND="memory")
        self.process = None
        self.window = None

    def path(self, *parts):
        return os.path.join(self.home, *parts)

    def write(self, name, data):
        path = self.path(name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def start(self, *args):
        with open(self.path("stderr.txt"), "wb") as stderr:
            self.process = subprocess.Popen([PROGRAM, *args], env=self.env, cwd=self.home,
                                            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                            stderr=stderr)
        windows = e2e.wait_until(self.visible_windows, 30)
        if not windows:
            raise AssertionError("no viewer window")
        self.window = windows[0]
        return self.window

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        if self.process and self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        shutil.rmtree(self.home, ignore_errors=True)
        return False

    def visible_windows(self):
        result = e2e.run_tool("xdotool", "search", "--onlyvisible", "--pid",
                              str(self.process.pid))
        return [int(line) for line in result.stdout.split()]

    def press(self, window, *keys):
        e2e.run_tool("xdotool", "windowfocus", "--sync", str(window))
        e2e.run_tool("xdotool", "key", "--delay", "50", *keys)

    def wait_for_dialog(self):
        """The first window that opened over the viewer."""
        others = e2e.wait_until(lambda: [w for w in self.visible_windows() if w != self.window],
                                20)
        if not others:
            raise AssertionError("no dialog opened")
        # A dialog reads its folder and settings after it shows; keys typed before it is
        # done may land in a field it then resets.
        time.sleep(2)
        return others[0]

    def save_as(self, typed_name, saved_name=None):
        """Ctrl+S, then the file name typed into the save dialog; answers what was saved
        (to saved_name, if that differs from what was typed)."""
        saved_name = saved_name or typed_name
        self.press(self.window, "ctrl+s")
        dialog = self.wait_for_dialog()
        e2e.run_tool("xdotool", "windowfocus", "--sync", str(dialog))
        e2e.run_tool("xdotool", "type", "--delay", "20", typed_name)
        time.sleep(1)  # the name field's completion pop-up must settle before Return
        e2e.run_tool("xdotool", "key", "Return")
        if not e2e.wait_until(lambda: os.path.exists(saved_name), 20):
            raise AssertionError("nothing saved to " + saved_name)
        with open(saved_name, "rb") as f:
            return f.read()

    def running(self):
        return self.process.poll() is None


class LogViewTest(unittest.TestCase):
    def test_a_large_log_opens_at_the_viewer_size_and_saves_every_row(self):
        with Viewer() as viewer:
            log = viewer.write("big.log", generated_log(10000))
            window = viewer.start(log)
            self.assertEqual(e2e.window_title(window), "Error log - " + log)
            # Sized for the desktop's font, in the viewer's proportions.
            width, height = e2e.window_size(window)
            self.assertGreaterEqual(min(width, height), 300)
            self.assertAlmostEqual(width / height, 527 / 348, delta=0.03)
            saved = viewer.save_as(viewer.path("all.csv"))
            expected = "".join(line + "\r\n" for line in generated_log_export(10000))
            self.assertEqual(saved.decode("utf-8"), expected)
            self.assertTrue(viewer.running(), "the viewer stays open after saving")

    def test_the_data_folder_log_is_the_default_and_damage_is_skipped(self):
        with Viewer() as viewer:
            viewer.write(os.path.join(".config", "Corvane", "error.log"), DAMAGED_LOG)
            window = viewer.start()
            self.assertEqual(e2e.window_title(window), "Error log - " +
                             viewer.path(".config", "Corvane", "error.log"))
            # Without an extension the dialog's default one is added.
            self.assertEqual(viewer.save_as(viewer.path("damaged"), viewer.path("damaged.csv")),
                             DAMAGED_LOG_EXPORT)
            with open(viewer.path(".config", "Corvane", "error.log"), "rb") as f:
                self.assertEqual(f.read(), DAMAGED_LOG, "viewing never rewrites the log")

    def test_an_empty_log_opens_and_saves_an_empty_file(self):
        with Viewer() as viewer:
            viewer.start(viewer.write("empty.log", b""))
            self.assertEqual(viewer.save_as(viewer.path("empty.csv")), b"")

    def test_a_missing_log_or_a_folder_is_named_as_such_in_the_window(self):
        with Viewer() as viewer:
            missing = viewer.path("no-such.log")
            window = viewer.start(missing)
            self.assertEqual(e2e.window_title(window),
                             "Error log - " + missing + " (no such file)")
            time.sleep(0.5)
            self.assertTrue(viewer.running())
            self.assertFalse(os.path.exists(missing), "viewing creates no log")
        with Viewer() as viewer:
            window = viewer.start(viewer.home)
            self.assertEqual(e2e.window_title(window),
                             "Error log - " + viewer.home + " (a folder, not a log file)")
            self.assertTrue(viewer.running())

    def test_printing_to_a_file_holds_every_listed_row(self):
        if not shutil.which("pdftotext"):
            self.fail("pdftotext (poppler-utils) is needed")
        with Viewer() as viewer:
            viewer.start(viewer.write("print.log", generated_log(120)))
            viewer.press(viewer.window, "ctrl+p")
            dialog = viewer.wait_for_dialog()
            # The only printer here is "Print to File", which writes ~/output.pdf.
            viewer.press(dialog, "Down", "Return")
            pdf = viewer.path("output.pdf")
            self.assertTrue(e2e.wait_until(lambda: os.path.exists(pdf) and
                                           os.path.getsize(pdf) > 0, 30), "no PDF written")
            time.sleep(0.5)  # the file is written in one go, but give the writer its close
            text = subprocess.run(["pdftotext", "-layout", pdf, "-"], capture_output=True,
                                  text=True, timeout=30).stdout
            for line in generated_log_export(120):
                self.assertIn(line, text)
            self.assertGreater(text.count("\f"), 1, "several pages")
            self.assertTrue(viewer.running())


def main():
    global PROGRAM
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    args, rest = parser.parse_known_args()
    PROGRAM = os.path.abspath(args.program)
    if not os.environ.get("DISPLAY"):
        print("no X display: run the end-to-end tests under xvfb-run", file=sys.stderr)
        sys.exit(e2e.SKIP)
    for tool in ("xdotool", "xwininfo"):
        if not shutil.which(tool):
            sys.exit(f"missing tool: {tool}")
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
