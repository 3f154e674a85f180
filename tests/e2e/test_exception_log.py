"""Every exception raised while the window exists is written to error.log where it is raised,
with its code location and the exception frames that were active, and nothing is shown."""

import re
import signal
import unittest

import corvane_e2e as e2e

TIMEOUT = 60
POINTER = r"\$[0-9A-F]{16}"
LOCATION = r'Module "(?P<unit>[^"]+)", Procedure "(?P<procedure>[^"]+)", Unit "(?P<source>[^"]+)", Line (?P<line>\d+)'


class ExceptionLogTest(unittest.TestCase):
    def test_a_malformed_configuration_is_logged_where_it_is_raised(self):
        home = e2e.Home()
        self.addCleanup(home.remove)
        home.write_data_file("config.xml", b"<Configuration><MainForm></Mainform></Configuration>")
        e2e.SERVICE.reset()
        with e2e.Session(home=home) as session:
            requests = e2e.wait_until(lambda: e2e.SERVICE.requests(), TIMEOUT)
            self.assertTrue(requests, "the first page was not asked for")
            self.assertEqual(len(session.wait_for_windows()), 1)
            self.assertEqual(session.close(), 0)
            self.assertNotIn("cannot be logged", session.stderr())
        titles = e2e.log_titles(home.read_data_file("error.log"))

        start = next((i for i, title in enumerate(titles)
                      if title.startswith("Exception EJclSimpleXMLError: ")), None)
        self.assertIsNotNone(start, "no entry for the XML error in %r" % titles[:20])
        self.assertEqual(titles[start - 1], "", "a blank entry comes first")
        raised = re.fullmatch(r"  Exception occured at %s \(%s\)" % (POINTER, LOCATION),
                              titles[start + 1])
        self.assertIsNotNone(raised, titles[start + 1])
        self.assertGreater(int(raised.group("line")), 0)
        self.assertTrue(raised.group("source").endswith(".cpp") or
                        raised.group("source").endswith(".h"), raised.group("source"))
        self.assertEqual(titles[start + 2], "  Except frame-dump:")

        frames = 0
        position = start + 3
        while titles[position].startswith("    Frame at "):
            self.assertRegex(titles[position], r"^    Frame at %s \(type: efk(Finally|AnyException|"
                             r"OnException|AutoException|Unknown)(, handles exception)?\)$" % POINTER)
            self.assertRegex(titles[position + 1], r"^      (Handler|Code) at %s$" % POINTER)
            self.assertRegex(titles[position + 2], r'^      Module ".*", Procedure ".*", '
                             r'Unit ".*", Line \d+$')
            frames += 1
            position += 3
        self.assertGreaterEqual(frames, 1, "at least one exception frame")
        self.assertEqual(titles[position], "", "a blank entry closes the exception")

    def test_the_window_shows_its_first_page_after_the_error(self):
        home = e2e.Home()
        self.addCleanup(home.remove)
        home.write_data_file("config.xml", b"\x00\x01 not xml")
        e2e.SERVICE.reset()
        with e2e.Session(home=home) as session:
            requests = e2e.wait_until(lambda: e2e.SERVICE.requests(), TIMEOUT)
            self.assertEqual(requests[0]["path"], "/signup.php")
            self.assertEqual(len(session.wait_for_windows()), 1)
            session.send_signal(signal.SIGTERM)
            self.assertEqual(session.wait_exit(60), 0)
        self.assertIn(b"Error>Exception ", home.read_data_file("error.log"))


if __name__ == "__main__":
    e2e.main()
