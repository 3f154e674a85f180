"""The demo walked through as a newcomer does it, in the real client: sign up, log in on the
restyled login page, the dashboard, the invoice list, one invoice and its PDF, a new invoice
saved, listed and deleted after a confirmation; a restart keeps the login; then log out. Clicks land where the pages report
their elements; the service and the download folder tell what happened."""

import os
import time
import urllib.request

import corvane_e2e as e2e

TIMEOUT = 60
EMAIL = "ann@example.org"
INVOICE = "INV-0003"


def service():
    return e2e.SERVICE


def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()


class WalkthroughTest(e2e.ProgramTest):
    first_run = True

    def setUp(self):
        super().setUp()
        self.downloads = os.path.join(self.home.path, "Downloads")
        os.makedirs(self.home.config_home)
        with open(os.path.join(self.home.config_home, "user-dirs.dirs"), "w") as f:
            f.write('XDG_DOWNLOAD_DIR="%s"\n' % self.downloads)

    def type_into(self, report, element, text):
        self.click(report, element)
        e2e.type_text(self.window, text)

    def downloaded(self, name):
        path = os.path.join(self.downloads, name)
        return os.path.isfile(path) and os.path.getsize(path) > 0 and path

    def sign_up_and_log_in(self, session):
        signup = self.report_after(0, "signup")
        self.type_into(signup, "email", EMAIL)
        created = self.report_after(self.click(signup, "create"), "account-created")
        self.assertEqual(created["email"], EMAIL)

        clicked = self.click(created, "login-link")
        login = self.report_after(clicked, "login", lambda r: r["event"] == "settled")
        self.assertEqual(login["loginMarginTop"], "0px", "the login page is restyled")
        self.type_into(login, "email", EMAIL)
        self.type_into(login, "password", "secret")
        return self.dashboard_after(self.click(login, "submit"))

    def dashboard_after(self, since):
        return self.report_after(since, "start", lambda r: r.get("event") == "load")

    def open_invoice_and_download_it(self, dashboard):
        listed = self.report_after(self.click(dashboard, "invoices-link"), "invoices")
        self.assertIn("INV-0200", listed["elements"], "the whole list is shown")
        invoice = self.report_after(self.click(listed, INVOICE), "invoice")
        self.assertEqual(invoice["number"], INVOICE)
        self.click(invoice, "download")
        path = e2e.wait_until(lambda: self.downloaded(INVOICE + ".pdf"), TIMEOUT)
        self.assertTrue(path, "the invoice's PDF was not downloaded")
        with urllib.request.urlopen("%s/invoices/%s.pdf" % (service().webapp_origin, INVOICE),
                                    timeout=10) as response:
            expected = response.read()
        self.assertTrue(e2e.wait_until(lambda: read_bytes(path) == expected, TIMEOUT),
                        "the saved PDF is the service's")
        return invoice

    def create_invoice(self, page):
        form = self.report_after(self.click(page, "nav-new"), "new-invoice")
        self.type_into(form, "customer", "Zephyr Tools")
        self.type_into(form, "amount", "120.50")
        self.type_into(form, "notes", "Garden shears")
        listed = self.report_after(self.click(form, "save"), "invoices")
        self.assertIn("INV-0201", listed["elements"], "the new invoice is listed")

    def answer_confirmation(self, session, key):
        """Answers the page's confirmation with key, once it shows over the window under the
        service's host name."""
        def dialog():
            return next((w for w in session.visible_windows() if w != self.window), None)
        shown = e2e.wait_until(dialog, TIMEOUT)
        self.assertTrue(shown, "no confirmation shown")
        self.assertEqual(e2e.window_title(shown), "127.0.0.1")
        e2e.run_tool("xdotool", "windowfocus", "--sync", str(shown))
        e2e.run_tool("xdotool", "key", key)

    def delete_invoice(self, session, number):
        """Escape keeps the invoice, Enter deletes it."""
        listed = self.report_after(0, "invoices", lambda r: number in r["elements"])
        invoice = self.report_after(self.click(listed, number), "invoice")
        for key, confirmed in (("Escape", False), ("Return", True)):
            clicked = self.click(invoice, "delete")
            self.answer_confirmation(session, key)
            answer = self.report_after(clicked, "invoice", lambda r: r.get("event") == "delete")
            self.assertEqual(answer["confirmed"], confirmed)
        relisted = self.report_after(answer["time"], "invoices")
        self.assertNotIn(number, relisted["elements"])

    def test_sign_up_log_in_work_with_invoices_restart_and_log_out(self):
        session = self.start()
        dashboard = self.sign_up_and_log_in(session)
        self.assertTrue(dashboard["loggedIn"], "the login leads to the dashboard")
        invoice = self.open_invoice_and_download_it(dashboard)
        self.create_invoice(invoice)
        self.delete_invoice(session, "INV-0001")
        self.assertEqual(session.close(), 0)

        restarted = time.time()
        session = self.start()
        dashboard = self.dashboard_after(restarted)
        self.assertTrue(dashboard["loggedIn"], "the login survives a restart")
        first = next(r for r in service().requests() if r["time"] > restarted)
        self.assertIn("corvane_session=", first["cookie"])
        logged_out = self.dashboard_after(self.click(dashboard, "logout-link"))
        self.assertFalse(logged_out["loggedIn"])
        self.assertIn("login-link", logged_out["elements"])
        self.assertEqual(session.close(), 0)


if __name__ == "__main__":
    e2e.main()
