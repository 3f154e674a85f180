"""What the service's pages ask of the window, in the real client: the notification permission
asked once in the permission bar, answered with Allow, the "Payment received" notification on a
stand-in notification service, and the answer kept across a restart; and the logo upload through
the file chooser, whose folder the next upload starts in. Observed from outside: the page
reports, the accessibility tree, the stand-in's log and config.xml."""

import os
import subprocess
import sys
import time

import corvane_e2e as e2e

TIMEOUT = 60
EMAIL = "ann@example.org"
STAND_IN = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "runtime",
                        "notification_service_stand_in.py")
# The smallest PNG there is: one transparent pixel.
PNG = bytes.fromhex("89504e470d0a1a0a0000000d49484452000000010000000108060000001f15c489"
                    "0000000d49444154789c63000100000500010d0a2db40000000049454e44ae426082")


def service():
    return e2e.SERVICE


class PermissionsTest(e2e.AccessibleProgramTest):
    def setUp(self):
        super().setUp()
        self.notifications_log = os.path.join(self.home.path, "notifications.log")
        open(self.notifications_log, "w").close()

    def start_notification_service(self):
        stand_in = subprocess.Popen(
            [self.accessible.python, STAND_IN, self.notifications_log],
            env=dict(os.environ, DBUS_SESSION_BUS_ADDRESS=self.accessible.bus.address),
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        self.addCleanup(lambda: (stand_in.terminate(), stand_in.wait(timeout=10),
                                 stand_in.stdout.close()))
        self.assertEqual(stand_in.stdout.readline().strip(), "ready", "no notification service")

    def notified(self):
        with open(self.notifications_log, encoding="utf-8") as f:
            return [line for line in f.read().splitlines() if line.startswith("notify ")]

    def start_page_after(self, since):
        return self.report_after(since, "start", lambda r: r.get("event") == "load")

    def type_into(self, report, element, text):
        self.click(report, element)
        e2e.type_text(self.window, text)

    def log_in(self, started):
        start = self.start_page_after(started)
        login = self.report_after(self.click(start, "login-link"), "login",
                                  lambda r: r["event"] == "settled")
        self.type_into(login, "email", EMAIL)
        self.type_into(login, "password", "secret")
        dashboard = self.start_page_after(self.click(login, "submit"))
        self.assertTrue(dashboard["loggedIn"], "the login leads to the dashboard")
        return dashboard

    def showing(self):
        return [w for w in self.accessible.objects(self.session.process.pid) if w["showing"]]

    def question(self):
        host = service().webapp_origin.split("://", 1)[1].split(":")[0]
        return host + " wants to show notifications"

    def question_shown(self):
        return any(w["role"] == "label" and w["name"] == self.question() for w in self.showing())

    def press(self, button):
        complaint = self.accessible.press(self.session.process.pid, button)
        self.assertIsNone(complaint, "cannot press %s: %s" % (button, complaint))

    def permission_after(self, since):
        return self.report_after(since, "dashboard", lambda r: r["event"] == "permission")

    def config(self):
        return self.home.read_data_file("config.xml").decode("utf-8")

    def test_notifications_are_asked_once_shown_and_allowed_across_a_restart(self):
        self.start_notification_service()
        started = time.time()
        self.start()
        dashboard = self.log_in(started)

        # The page asks twice before the user answers: one question on one bar.
        clicked = self.click(dashboard, "payments")
        self.assertTrue(e2e.wait_until(self.question_shown, TIMEOUT, interval=0.2),
                        "no question; showing: %s" % self.showing())
        self.click(dashboard, "payments")
        questions = [w for w in self.showing() if w["name"] == self.question()]
        self.assertEqual(len(questions), 1, "one bar for one origin and kind")
        self.assertFalse(service().reports("dashboard"), "the page waits for the answer")
        self.press("Allow")
        permission = self.permission_after(clicked)
        self.assertEqual(permission["permission"], "granted")
        self.report_after(clicked, "dashboard", lambda r: r["event"] == "notification-shown")
        shown = e2e.wait_until(self.notified, TIMEOUT)
        self.assertTrue(shown, "nothing reached the notification service")
        self.assertIn("|Payment received|INV-0042 was paid: 150.00 EUR", shown[0])
        self.assertTrue(e2e.wait_until(lambda: not self.question_shown(), TIMEOUT))
        self.assertEqual(self.session.close(), 0)
        self.assertIn(service().webapp_origin + " notifications allow", self.config())

        restarted = time.time()
        self.start()
        dashboard = self.start_page_after(restarted)
        self.assertTrue(dashboard["loggedIn"])
        clicked = self.click(dashboard, "payments")
        self.assertEqual(self.permission_after(clicked)["permission"], "granted",
                         "the kept answer, without asking")
        self.report_after(clicked, "dashboard", lambda r: r["event"] == "notification-shown")
        self.assertFalse(self.question_shown(), "no question after a restart")
        self.assertEqual(self.session.close(), 0)

    def choose_file(self, typed):
        """Types typed into the file chooser's location field and presses Open (once the
        chooser has taken the name, which it does after Return)."""
        chooser = e2e.wait_until(
            lambda: [w for w in self.session.visible_windows() if w != self.window], TIMEOUT)
        self.assertTrue(chooser, "no file chooser")
        e2e.run_tool("xdotool", "windowfocus", "--sync", str(chooser[0]))
        e2e.run_tool("xdotool", "key", "ctrl+l")
        e2e.run_tool("xdotool", "type", "--delay", "60", typed)
        e2e.run_tool("xdotool", "key", "Return")

        def closed():
            if self.session.visible_windows() == [self.window]:
                return True
            self.accessible.press(self.session.process.pid, "Open")
            return False
        self.assertTrue(e2e.wait_until(closed, TIMEOUT, interval=0.5),
                        "the file chooser stays open")

    def upload_logo(self, since, typed):
        settings = self.report_after(since, "settings")
        self.click(settings, "logo")
        self.choose_file(typed)
        clicked = self.click(settings, "save")
        return self.report_after(clicked, "settings", lambda r: r["event"] == "logo-uploaded")

    def test_a_logo_is_uploaded_and_the_next_upload_starts_in_its_folder(self):
        pictures = os.path.join(self.home.path, "Pictures")
        os.makedirs(pictures)
        for name in ("logo.png", "second.png"):
            with open(os.path.join(pictures, name), "wb") as f:
                f.write(PNG)
        started = time.time()
        self.start()
        dashboard = self.log_in(started)
        uploaded = self.upload_logo(self.click(dashboard, "settings-link"),
                                    os.path.join(pictures, "logo.png"))
        self.assertEqual((uploaded["filename"], uploaded["size"]), ("logo.png", len(PNG)))
        self.assertEqual(self.session.close(), 0)
        self.assertIn("<UploadFolder>%s</UploadFolder>" % pictures, self.config())

        # A bare name is found in the folder the chooser opens in.
        restarted = time.time()
        self.start()
        dashboard = self.start_page_after(restarted)
        uploaded = self.upload_logo(self.click(dashboard, "settings-link"), "second.png")
        self.assertEqual((uploaded["filename"], uploaded["size"]), ("second.png", len(PNG)))
        self.assertEqual(self.session.close(), 0)


if __name__ == "__main__":
    e2e.main()
