"""Addresses given to a start: a page of the web application, named by its URL or by a
corvane:// link, opens in the one window, whether the program runs already or not; anything
else is refused with one line on stderr and the start goes on as usual."""

import shutil
import tempfile
import unittest

import corvane_e2e as e2e

TIMEOUT = 60
NOT_FIRST_RUN = b"<Configuration><MainForm><FirstTime>No</FirstTime></MainForm></Configuration>"


def service():
    return e2e.SERVICE


def invoices_url():
    return service().webapp_origin + "/invoices"


def refused_arguments():
    """Another site, other schemes, control characters, far too long, more than one address.
    Those of the service's own sites would show in its request log if they were opened."""
    return [
        [service().marketing_origin + "/invoices"],
        [service().webapp_origin + ".example.org/invoices"],
        ["file:///etc/passwd"],
        ["corvane://invoices\n" + service().marketing_origin + "/"],
        ["corvane://in\x1bvoices"],
        ["corvane://" + "x" * 5000],
        ["corvane://invoices", "corvane://invoices"],
    ]


def page_requests():
    """The pages requested so far from the service's sites, in order."""
    return [(r["site"], r["path"]) for r in service().requests()]


def refusal_lines(session):
    return [line for line in session.stderr().splitlines() if "not opening" in line]


class DeepLinksTest(unittest.TestCase):
    def setUp(self):
        service().reset()
        self.home = e2e.Home()
        self.addCleanup(self.home.remove)
        self.home.write_data_file("config.xml", NOT_FIRST_RUN)
        # Every start of a test shares the place of the locks, as the starts of one user do.
        self.runtime_dir = tempfile.mkdtemp(prefix="corvane-e2e-run-")
        self.addCleanup(shutil.rmtree, self.runtime_dir, ignore_errors=True)

    def session(self, *args):
        return e2e.Session(home=self.home, args=args,
                           env_changes={"XDG_RUNTIME_DIR": self.runtime_dir})

    def wait_for_report(self, page, count=1):
        """The page's load reports, once there are count of them."""
        def loads():
            return [r for r in service().reports(page) if r.get("event", "load") == "load"]
        reports = e2e.wait_until(lambda: len(loads()) >= count and loads(), TIMEOUT)
        self.assertTrue(reports, "page %s did not report %d loads" % (page, count))
        return reports

    def hand_over(self, *args):
        """Starts the program again with args while it runs; that start must end at once."""
        with self.session(*args) as later:
            self.assertEqual(later.wait_exit(TIMEOUT), 0, later.stderr())
            return refusal_lines(later)

    def test_a_start_with_an_address_opens_that_page_instead_of_the_start_page(self):
        for address in ("corvane://invoices", invoices_url()):
            with self.subTest(address=address):
                service().reset()
                with self.session(address) as session:
                    windows = session.wait_for_windows()
                    self.assertEqual(len(windows), 1, session.stderr())
                    report = self.wait_for_report("invoices")[0]
                    self.assertEqual(report["url"], invoices_url())
                    self.assertEqual(service().paths("webapp")[:1], ["/invoices"],
                                     "the start page was loaded first")
                    self.assertEqual(refusal_lines(session), [])
                    self.assertEqual(session.close(), 0)

    def test_a_later_start_hands_its_address_to_the_running_window(self):
        with self.session() as first:
            windows = first.wait_for_windows()
            self.assertEqual(len(windows), 1, first.stderr())
            self.wait_for_report("start")
            self.assertEqual(self.hand_over("corvane://invoices"), [])
            self.assertEqual(self.wait_for_report("invoices")[0]["url"], invoices_url())
            self.assertEqual(self.hand_over(invoices_url() + "?from=desktop"), [])
            second = self.wait_for_report("invoices", 2)[1]
            self.assertEqual(second["url"], invoices_url() + "?from=desktop")
            self.assertEqual(first.visible_windows(), windows, "still the one window")
            self.assertIsNone(first.process.poll())
            self.assertEqual(first.close(), 0)

    def test_refused_addresses_leave_the_running_window_alone(self):
        with self.session() as first:
            self.assertEqual(len(first.wait_for_windows()), 1, first.stderr())
            self.wait_for_report("start")
            requested_before = len(page_requests())
            for args in refused_arguments():
                with self.subTest(args=[arg[:40] for arg in args]):
                    lines = self.hand_over(*args)
                    self.assertEqual(len(lines), 1, lines)
                    self.assertLess(len(lines[0]), 400)
            # Served after the refused ones: had they opened anything, it would come first.
            self.assertEqual(self.hand_over("corvane://invoices"), [])
            self.wait_for_report("invoices")
            self.assertEqual(page_requests()[requested_before], ("webapp", "/invoices"))
            self.assertEqual(first.close(), 0)

    def test_a_refused_address_is_reported_and_the_program_starts_as_usual(self):
        foreign = service().marketing_origin + "/invoices"
        with self.session(foreign) as session:
            self.assertEqual(len(session.wait_for_windows()), 1, session.stderr())
            self.wait_for_report("start")
            self.assertEqual(session.close(), 0)
            lines = refusal_lines(session)
        self.assertEqual(len(lines), 1, lines)
        self.assertIn('"%s"' % foreign, lines[0])
        self.assertEqual(page_requests()[0], ("webapp", "/"))
        self.assertNotIn("/invoices", service().paths())

    def test_the_first_run_shows_the_sign_up_page_and_says_so(self):
        self.home.remove()
        self.home = e2e.Home()
        self.addCleanup(self.home.remove)
        with self.session("corvane://invoices") as session:
            self.assertEqual(len(session.wait_for_windows()), 1, session.stderr())
            self.wait_for_report("signup")
            self.assertEqual(session.close(), 0)
            first_run_lines = [line for line in session.stderr().splitlines()
                               if "first run" in line]
        self.assertEqual(len(first_run_lines), 1, first_run_lines)
        self.assertIn(invoices_url(), first_run_lines[0])
        self.assertEqual(page_requests()[0], ("webapp", "/signup.php"))
        self.assertNotIn("/invoices", service().paths())


if __name__ == "__main__":
    e2e.main()
