"""One running program per data folder: a second start brings the running window to the front
and ends, leaving the data folder to the first."""

import os
import shutil
import tempfile
import unittest

import corvane_e2e as e2e

TIMEOUT = 60


def service():
    return e2e.SERVICE


def file_identity(path):
    """(inode, modification time) of path, None while it does not exist."""
    try:
        info = os.stat(path)
    except FileNotFoundError:
        return None
    return info.st_ino, info.st_mtime_ns


def focused_window():
    return e2e.run_tool("xdotool", "getwindowfocus").stdout.strip()


def root_window():
    info = e2e.run_tool("xwininfo", "-root").stdout
    return info.split("Window id:", 1)[1].split()[0]


class SingleInstanceTest(unittest.TestCase):
    def setUp(self):
        service().reset()
        # Every start of a test shares the place of the locks, as the starts of one user do.
        self.runtime_dir = tempfile.mkdtemp(prefix="corvane-e2e-run-")
        self.addCleanup(shutil.rmtree, self.runtime_dir, ignore_errors=True)

    def home(self):
        home = e2e.Home()
        self.addCleanup(home.remove)
        return home

    def session(self, home, *args):
        return e2e.Session(home=home, args=args,
                           env_changes={"XDG_RUNTIME_DIR": self.runtime_dir})

    def wait_for_a_running_page(self):
        self.assertTrue(e2e.wait_until(lambda: service().reports(), TIMEOUT), "no page ran")

    def test_a_second_start_brings_the_first_window_to_the_front_and_ends(self):
        home = self.home()
        config = home.data_file("config.xml")
        with self.session(home) as first:
            windows = first.wait_for_windows()
            self.assertEqual(len(windows), 1)
            self.wait_for_a_running_page()
            e2e.run_tool("xdotool", "windowfocus", "--sync", root_window())
            self.assertNotEqual(focused_window(), str(windows[0]))
            config_before = file_identity(config)
            with self.session(home) as second:
                # It ends by itself; how fast depends on how busy the machine is.
                self.assertEqual(second.wait_exit(TIMEOUT), 0, second.stderr())
            self.assertTrue(e2e.wait_until(lambda: focused_window() == str(windows[0]), TIMEOUT),
                            "the running window did not take the focus")
            self.assertEqual(first.visible_windows(), windows)
            self.assertIsNone(first.process.poll())
            self.assertEqual(service().paths().count("/signup.php"), 1, "one window, one page")
            self.assertEqual(file_identity(config), config_before, "the second start wrote")
            self.assertEqual(first.close(), 0)
        self.assertNotEqual(file_identity(config), config_before, "not written at exit")
        self.assertIn(b"FirstTime", home.read_data_file("config.xml"))

    def test_a_second_start_with_an_address_brings_the_window_to_the_front_on_that_page(self):
        home = self.home()
        home.write_data_file("config.xml", b"<Configuration><MainForm><FirstTime>No</FirstTime>"
                                           b"</MainForm></Configuration>")
        with self.session(home) as first:
            windows = first.wait_for_windows()
            self.assertTrue(e2e.wait_until(lambda: service().reports("start"), TIMEOUT))
            e2e.run_tool("xdotool", "windowfocus", "--sync", root_window())
            with self.session(home, "corvane://invoices") as second:
                self.assertEqual(second.wait_exit(TIMEOUT), 0, second.stderr())
            self.assertTrue(e2e.wait_until(lambda: focused_window() == str(windows[0]), TIMEOUT),
                            "the running window did not take the focus")
            self.assertTrue(e2e.wait_until(lambda: service().reports("invoices"), TIMEOUT),
                            "the running window did not open the page: " + first.stderr())
            self.assertEqual(first.visible_windows(), windows)
            self.assertEqual(first.close(), 0)

    def test_a_start_after_a_killed_first_runs_as_usual(self):
        home = self.home()
        with self.session(home) as first:
            self.assertEqual(len(first.wait_for_windows()), 1)
            first.process.kill()
            first.process.wait()
        with self.session(home) as again:
            self.assertEqual(len(again.wait_for_windows()), 1, again.stderr())
            self.assertEqual(again.close(), 0)

    def test_starts_over_different_data_folders_run_side_by_side(self):
        with self.session(self.home()) as one, self.session(self.home()) as other:
            self.assertEqual(len(one.wait_for_windows()), 1, one.stderr())
            self.assertEqual(len(other.wait_for_windows()), 1, other.stderr())
            self.assertEqual(one.close(), 0)
            self.assertEqual(other.close(), 0)


if __name__ == "__main__":
    e2e.main()
