"""The main window as the user sees it, and how the program ends."""

import signal
import unittest

import corvane_e2e as e2e

TITLE = "Corvane Online Invoicing for Small Business"


class MainWindowTest(unittest.TestCase):
    def assert_closes_cleanly_on(self, signum):
        with e2e.Session() as session:
            windows = session.wait_for_windows()
            self.assertEqual(len(windows), 1, "exactly one top-level window")
            window = windows[0]
            self.assertEqual(e2e.window_title(window), TITLE)
            self.assertEqual(e2e.window_size(window), (680, 640))
            self.assertEqual(e2e.wait_until(lambda: e2e.pixel(window, 340, 320) == "FFFFFF", 60),
                             True, "white client area")
            session.send_signal(signum)
            self.assertEqual(session.wait_exit(timeout=60), 0)
            self.assertNotIn("corvane:", session.stderr(), "no error reported")

    def test_sigterm_closes_the_window_like_the_user(self):
        self.assert_closes_cleanly_on(signal.SIGTERM)

    def test_sigint_closes_the_window_like_the_user(self):
        self.assert_closes_cleanly_on(signal.SIGINT)

    def test_a_start_up_failure_is_reported_with_exit_code_1(self):
        with e2e.Session(env_changes={"DISPLAY": None}) as session:
            self.assertEqual(session.wait_exit(timeout=30), 1)
            self.assertIn("Cannot open display", session.stderr())


if __name__ == "__main__":
    e2e.main()
