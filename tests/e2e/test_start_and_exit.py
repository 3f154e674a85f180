"""Starting and ending the program, again and again, and with a data folder it cannot use or
that an earlier run left untidy."""

import os
import stat
import subprocess
import unittest

import corvane_e2e as e2e

TIMEOUT = 60
# How many starts and signal exits the exit test makes; a soak run sets more.
EXIT_RUNS = int(os.environ.get("CORVANE_E2E_EXIT_RUNS", "20"))
ERROR_LOG = b"[2026-01-02 03:04:05]Error>EAbort>an earlier run\r\n"


def service():
    return e2e.SERVICE


def dead_pid():
    """The process id of a process that has ended."""
    child = subprocess.Popen(["true"])
    child.wait()
    return child.pid


class StartAndExitTest(unittest.TestCase):
    def setUp(self):
        self.home = e2e.Home()
        self.addCleanup(self.home.remove)

    def start(self, **env_changes):
        service().reset()
        return e2e.Session(home=self.home, env_changes=env_changes)

    def wait_for_a_running_page(self):
        """Until the first page's script has run, so the page's engine threads are busy."""
        self.assertTrue(e2e.wait_until(lambda: service().reports(), TIMEOUT), "no page ran")

    def test_every_start_ends_with_exit_code_0_on_sigterm(self):
        codes = []
        for _ in range(EXIT_RUNS):
            with self.start() as session:
                self.wait_for_a_running_page()
                codes.append(session.close(timeout=30))
        failed = [(run, code) for run, code in enumerate(codes) if code != 0]
        self.assertEqual(failed, [], "(run, exit code) of %d runs" % EXIT_RUNS)

    def test_temporary_files_left_by_ended_runs_are_removed_at_start(self):
        ended = dead_pid()
        living = os.getpid()
        stale = ["config.xml.%d.0.tmp" % ended, "error.log.%d.3.tmp" % ended]
        kept = ["config.xml.%d.0.tmp" % living, "error.log.tmp", "notes.%d.0.tmp" % ended]
        for name in stale + kept:
            self.home.write_data_file(name, b"half written")
        with self.start() as session:
            self.assertTrue(session.wait_for_windows())
            for name in stale:
                self.assertFalse(os.path.exists(self.home.data_file(name)), name)
            self.assertEqual(session.close(), 0)
        for name in kept:
            self.assertTrue(os.path.exists(self.home.data_file(name)), name)

    def test_an_unchanged_error_log_is_not_rewritten_at_exit(self):
        self.home.write_data_file("error.log", ERROR_LOG)
        before = os.stat(self.home.data_file("error.log"))
        with self.start() as session:
            self.wait_for_a_running_page()
            self.assertEqual(session.close(), 0)
        after = os.stat(self.home.data_file("error.log"))
        self.assertEqual(self.home.read_data_file("error.log"), ERROR_LOG, "a clean run logs nothing")
        self.assertEqual((after.st_ino, after.st_mtime_ns), (before.st_ino, before.st_mtime_ns),
                         "rewritten with the same content")

    def assert_runs_and_reports(self, folder, reason, **env_changes):
        with self.start(**env_changes) as session:
            self.assertEqual(len(session.wait_for_windows()), 1)
            paths = e2e.wait_until(service().paths, TIMEOUT)
            self.assertEqual(paths[:1], ["/signup.php"], "runs as with a usable folder")
            self.assertEqual(session.close(), 0)
            said = [line for line in session.stderr().splitlines()
                    if line.startswith("corvane: ") and folder in line]
        self.assertEqual(len(said), 1, session.stderr())
        self.assertIn("cannot be used (%s)" % reason, said[0])

    def test_a_file_in_place_of_the_data_folder_is_reported_once_on_stderr(self):
        os.makedirs(self.home.config_home)
        with open(self.home.data_folder, "wb") as f:
            f.write(b"a file")
        self.assert_runs_and_reports(self.home.data_folder, "Not a directory")

    def test_a_file_in_place_of_the_config_home_is_reported_once_on_stderr(self):
        # Also what the web content's sandbox sees: it must not take the page down with it.
        config_file = os.path.join(self.home.path, "config-file")
        with open(config_file, "wb") as f:
            f.write(b"a file")
        self.assert_runs_and_reports(config_file + "/Corvane", "Not a directory",
                                     XDG_CONFIG_HOME=config_file)

    @unittest.skipIf(os.geteuid() == 0, "the superuser may write anywhere")
    def test_a_data_folder_without_write_permission_is_reported_once_on_stderr(self):
        os.makedirs(self.home.data_folder)
        os.chmod(self.home.data_folder, stat.S_IRUSR | stat.S_IXUSR)
        self.addCleanup(os.chmod, self.home.data_folder, stat.S_IRWXU)
        self.assert_runs_and_reports(self.home.data_folder, "Permission denied")


if __name__ == "__main__":
    e2e.main()
