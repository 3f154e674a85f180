"""Where the program goes in the service: its first page and the marketing sign-up redirect."""

import unittest

import corvane_e2e as e2e

TIMEOUT = 60
MARKETING_SIGNUP = "/signup-simple-online-invoicing"


def service():
    return e2e.SERVICE


class ServiceNavigationTest(unittest.TestCase):
    def setUp(self):
        service().reset()

    def wait_for_report(self, page, url=None, event=None):
        def found():
            return [r for r in service().reports(page)
                    if (url is None or r["url"] == url) and (event is None or r.get("event") == event)]
        reports = e2e.wait_until(found, TIMEOUT)
        self.assertTrue(reports, "no %s report for %s" % (page, url))
        return reports

    def test_the_first_page_is_the_sign_up_page(self):
        with e2e.Session():
            signup_url = service().webapp_origin + "/signup.php"
            report = self.wait_for_report("signup", signup_url)[0]
            self.assertFalse(report["inFrame"])
            self.assertEqual(service().paths(), ["/signup.php"])

    def test_the_marketing_sign_up_address_lands_on_the_sign_up_page(self):
        marketing_url = service().marketing_origin + MARKETING_SIGNUP
        service().scenario(signup_next=marketing_url)
        with e2e.Session():
            reached = e2e.wait_until(lambda: service().paths().count("/signup.php") >= 2, TIMEOUT)
            self.assertTrue(reached, "sign-up page not opened again: %s" % service().paths())
            paths = service().paths()
            self.assertEqual(paths[paths.index(MARKETING_SIGNUP):], [MARKETING_SIGNUP, "/signup.php"])
            self.wait_for_report("signup", service().webapp_origin + "/signup.php")

    def test_look_alike_marketing_addresses_are_not_redirected(self):
        for path in (MARKETING_SIGNUP + "/", MARKETING_SIGNUP + "?ref=ad",
                     "/Signup-Simple-Online-Invoicing"):
            with self.subTest(path=path):
                service().reset()
                url = service().marketing_origin + path
                service().scenario(signup_next=url)
                with e2e.Session():
                    # Reported 1.5 s after it loaded: the page was not replaced meanwhile.
                    self.wait_for_report("marketing-signup", url, "stayed")
                    self.assertEqual(service().paths("webapp"), ["/signup.php"])


if __name__ == "__main__":
    e2e.main()
