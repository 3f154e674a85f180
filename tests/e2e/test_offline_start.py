"""A start while the service cannot be reached: the window shows the program's own page, and
the service's page follows by itself once the service answers."""

import unittest

import corvane_e2e as e2e

# The own page's background, sampled in the middle of the window, away from its text.
OWN_PAGE_BACKGROUND = "FAFAFA"
# The runtime retries at 5, 10, 20 and 40 s and whenever the network comes back.
RECOVERY_TIMEOUT = 70


class OfflineStartTest(unittest.TestCase):
    def test_the_sign_up_page_follows_when_the_service_comes_up(self):
        origins = (e2e.SERVICE.webapp_origin, e2e.SERVICE.marketing_origin)
        e2e.SERVICE.stop()
        with e2e.Session() as session:
            window = session.wait_for_windows()[0]
            shown = e2e.wait_until(lambda: e2e.pixel(window, 340, 320) == OWN_PAGE_BACKGROUND, 60)
            self.assertTrue(shown, "own page shown while the service is down")

            e2e.SERVICE = e2e.DemoService(*origins)
            signup_url = e2e.SERVICE.webapp_origin + "/signup.php"
            reports = e2e.wait_until(lambda: e2e.SERVICE.reports("signup"), RECOVERY_TIMEOUT)
            self.assertTrue(reports, "sign-up page not loaded without a click")
            self.assertEqual(reports[0]["url"], signup_url)
            replaced = e2e.wait_until(
                lambda: e2e.pixel(window, 340, 320) not in (None, OWN_PAGE_BACKGROUND), 60)
            self.assertTrue(replaced, "own page still shown")
            self.assertEqual(session.close(), 0, "exit code")


if __name__ == "__main__":
    e2e.main()
