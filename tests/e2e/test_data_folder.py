"""What the program keeps in its data folder between runs: the first-run mark, the window's
placement, the configuration file's form and the browser's cookies."""

import os
import re
import unittest
import xml.etree.ElementTree as ElementTree

import corvane_e2e as e2e

TIMEOUT = 60
COOKIE_NAME = "corvane_demo"
NUMBERS = r"-?\d+,-?\d+,-?\d+,-?\d+"
# The placement values in the order they are first written, then the first-run mark.
FIRST_RUN_CONFIGURATION = re.compile(
    r'<\?xml version="1\.0" encoding="UTF-8" standalone="no"\?>\r\n'
    r"<Configuration>\r\n"
    r"  <MainForm>\r\n"
    r"    <FormVersion>0</FormVersion>\r\n"
    r"    <ShowCmd>1</ShowCmd>\r\n"
    r"    <Flags>0</Flags>\r\n"
    r"    <PixelsPerInch>\d+</PixelsPerInch>\r\n"
    rf"    <MinMaxPos_\d+x\d+_>{NUMBERS}</MinMaxPos_\d+x\d+_>\r\n"
    rf"    <MinMaxPos>{NUMBERS}</MinMaxPos>\r\n"
    rf"    <NormPos_\d+x\d+_>(?P<norm>{NUMBERS})</NormPos_\d+x\d+_>\r\n"
    r"    <NormPos>(?P=norm)</NormPos>\r\n"
    r"    <FirstTime>No</FirstTime>\r\n"
    r"  </MainForm>\r\n"
    r"</Configuration>\r\n\Z")


def service():
    return e2e.SERVICE


def configuration_with_first_time(value):
    return ("<Configuration><MainForm><FirstTime>%s</FirstTime></MainForm></Configuration>"
            % value).encode("utf-8")


def first_time_in(data):
    return ElementTree.fromstring(data).findtext("MainForm/FirstTime")


class DataFolderTest(unittest.TestCase):
    def setUp(self):
        self.home = e2e.Home()
        self.addCleanup(self.home.remove)

    def start(self):
        """A run on the shared home; the demo service forgets the earlier runs' requests."""
        service().reset()
        return e2e.Session(home=self.home)

    def first_request(self):
        """The first page the run asked the web application for."""
        requests = e2e.wait_until(lambda: service().requests(), TIMEOUT)
        self.assertTrue(requests, "no page requested")
        return requests[0]

    def close(self, session):
        self.assertEqual(session.close(), 0)
        self.assertNotIn("corvane:", session.stderr(), "no error reported")

    def test_the_first_run_opens_sign_up_and_later_runs_the_start_page(self):
        self.assertFalse(os.path.exists(self.home.config_home))
        with self.start() as session:
            self.assertEqual(self.first_request()["path"], "/signup.php")
            self.assertTrue(os.path.isdir(self.home.data_folder), "created with its parents")
            self.assertFalse(os.path.exists(self.home.data_file("config.xml")))
            self.close(session)
        written = self.home.read_data_file("config.xml").decode("utf-8")
        self.assertRegex(written, FIRST_RUN_CONFIGURATION)

        with self.start() as session:
            self.assertEqual(self.first_request()["path"], "/")
            self.close(session)
        self.assertEqual(first_time_in(self.home.read_data_file("config.xml")), "No")

    def test_any_first_time_value_opens_the_start_page_and_cookies_survive(self):
        self.home.write_data_file("config.xml", configuration_with_first_time("Yes"))
        with self.start() as session:
            request = self.first_request()
            self.assertEqual(request["path"], "/")
            self.assertNotIn(COOKIE_NAME, request["cookie"])
            # The page reports only after its response, with the cookie, has arrived.
            self.assertTrue(e2e.wait_until(lambda: service().reports("start"), TIMEOUT))
            self.assertTrue(os.path.isdir(self.home.data_file("cache")), "the runtime's store")
            self.close(session)

        with self.start() as session:
            request = self.first_request()
            self.assertEqual(request["path"], "/")
            self.assertIn(COOKIE_NAME + "=visitor-", request["cookie"])
            reports = e2e.wait_until(lambda: service().reports("start"), TIMEOUT)
            self.assertTrue(reports and reports[0]["cookieSentBack"])
            self.close(session)

    def test_a_malformed_configuration_does_not_stop_the_program(self):
        malformed = b"<Configuration><MainForm><Flags>0</Flags></Mainform></Configuration>"
        self.home.write_data_file("config.xml", malformed)
        with self.start() as session:
            self.assertEqual(self.first_request()["path"], "/signup.php")
            self.assertEqual(len(session.wait_for_windows()), 1)
            self.assertTrue(os.path.isdir(self.home.data_file("cache")), "cookies still kept")
            self.close(session)
        rewritten = self.home.read_data_file("config.xml")
        self.assertTrue(rewritten.startswith(b'<?xml version="1.0" encoding="UTF-8"'))
        self.assertEqual(ElementTree.fromstring(rewritten).findtext("MainForm/Flags"), "0",
                         "what could be read is kept")
        self.assertEqual(first_time_in(rewritten), "No")
        self.assertEqual(self.home.read_data_file("config.xml.bad"), malformed,
                         "the unreadable file is kept for the user")
        self.assertIn(b"config.xml.bad", self.home.read_data_file("error.log"))

    def test_the_window_comes_back_where_it_was_left(self):
        left = (150, 120, 800, 600)
        with self.start() as session:
            window = session.wait_for_windows()[0]
            e2e.run_tool("xdotool", "windowmove", str(window), str(left[0]), str(left[1]))
            e2e.run_tool("xdotool", "windowsize", str(window), str(left[2]), str(left[3]))
            self.assertEqual(e2e.wait_until(lambda: e2e.window_geometry(window) == left, TIMEOUT),
                             True, "moved and resized: %s" % (e2e.window_geometry(window),))
            self.close(session)
        norm = re.search(r"<NormPos>(.*)</NormPos>", self.home.read_data_file("config.xml").decode())
        self.assertEqual(norm.group(1), "150,120,950,720")

        with self.start() as session:
            window = session.wait_for_windows()[0]
            self.assertEqual(e2e.wait_until(lambda: e2e.window_geometry(window) == left, TIMEOUT),
                             True, "restored: %s" % (e2e.window_geometry(window),))
            self.close(session)


if __name__ == "__main__":
    e2e.main()
