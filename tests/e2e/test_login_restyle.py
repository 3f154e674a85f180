"""The login page is restyled after each finished load of exactly its address, in any frame."""

import unittest

import corvane_e2e as e2e

TIMEOUT = 60
STYLE = ('<style type="text/css">#login {margin-top:0; box-shadow:none;} '
         'body {background-color:#FFF;}</style>')
WHITE = "rgb(255, 255, 255)"


def service():
    return e2e.SERVICE


class LoginRestyleTest(unittest.TestCase):
    def setUp(self):
        service().reset()

    def reports_until(self, page, condition, what):
        reports = e2e.wait_until(lambda: (lambda rs: rs if condition(rs) else None)(
            service().reports(page)), TIMEOUT)
        self.assertTrue(reports, "timed out waiting for %s" % what)
        return reports

    @staticmethod
    def settled(reports, load_id):
        return next((r for r in reports if r["loadId"] == load_id and r["event"] == "settled"),
                    None)

    def assert_restyled_once(self, report):
        self.assertEqual(report["head"], report["initialHead"] * 2 + STYLE)
        self.assertEqual(report["loginMarginTop"], "0px")
        self.assertEqual(report["loginBoxShadow"], "none")
        self.assertEqual(report["bodyBackground"], WHITE)
        self.assertEqual(report["footerVisibility"], "hidden")
        self.assertEqual(report["footerHeight"], 40, "the hidden footer keeps its space")
        self.assertGreater(report["footerWidth"], 0)

    def test_each_finished_load_of_the_login_page_is_restyled_once(self):
        login_url = service().webapp_origin + "/login.php"
        service().scenario(signup_next=login_url, login_reload=True)
        with e2e.Session() as session:
            # The page reloads itself once after its first restyle; the second load settles.
            def load_ids(reports):
                return list(dict.fromkeys(r["loadId"] for r in reports))

            def reloaded_and_settled(reports):
                ids = load_ids(reports)
                return len(ids) == 2 and self.settled(reports, ids[1])

            reports = self.reports_until("login", reloaded_and_settled, "a settled reload")
            self.assertEqual(service().paths().count("/login.php"), 2)
            for load_id in load_ids(reports):
                with self.subTest(load=load_id):
                    of_load = [r for r in reports if r["loadId"] == load_id]
                    self.assertIn("changed", [r["event"] for r in of_load], "head never changed")
                    self.assert_restyled_once(of_load[-1])
            # A build with the leak checker ends with an error status if anything leaked.
            self.assertEqual(session.close(), 0, session.stderr()[-4000:])

    def test_the_login_page_with_a_query_is_not_restyled(self):
        service().scenario(signup_next=service().webapp_origin + "/login.php?from=signup")
        with e2e.Session():
            reports = self.reports_until(
                "login", lambda rs: any(r["event"] == "settled" for r in rs), "settled login page")
            self.assertEqual([r for r in reports if r["event"] == "changed"], [])
            report = next(r for r in reports if r["event"] == "settled")
            self.assertEqual(report["head"], report["initialHead"])
            self.assertEqual(report["footerVisibility"], "visible")
            self.assertNotEqual(report["bodyBackground"], WHITE)

    def test_a_login_page_in_a_sub_frame_restyles_the_main_frame(self):
        service().scenario(signup_next=service().webapp_origin + "/",
                           start_iframe=service().webapp_origin + "/login.php")
        with e2e.Session():
            starts = self.reports_until(
                "start", lambda rs: any(r.get("event") == "changed" for r in rs),
                "the start page's head to change")
            changed = next(r for r in starts if r.get("event") == "changed")
            self.assertEqual(changed["head"], changed["initialHead"] * 2 + STYLE)
            self.assertEqual(changed["bodyBackground"], WHITE)
            framed = self.reports_until(
                "login", lambda rs: any(r["event"] == "settled" for r in rs), "framed login page")
            self.assertTrue(all(r["inFrame"] for r in framed))
            self.assertEqual([r for r in framed if r["event"] == "changed"], [])


if __name__ == "__main__":
    e2e.main()
