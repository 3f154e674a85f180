"""Links that leave the service, in the real client: the user's links to another site, into the
window or a new one, go to the desktop's default browser (a stand-in registered through
mimeapps.list that writes down the address it was given) while the page stays; a payment form
posted through the other site, a redirect through it and the website's sign-up address stay
inside; without a browser the window's bar says so. And the browser keys: F5 and Ctrl+R reload,
Alt+Left and Alt+Right and the Back and Forward keys move in the history, Backspace stays the
page's. Observed from outside: the stand-in's record, the service's requests and page reports,
the accessibility tree and the program's windows."""

import glob
import os

import corvane_e2e as e2e

TIMEOUT = 60
STAND_IN = "corvane-test-browser.desktop"
WEB_SCHEMES = ("x-scheme-handler/http", "x-scheme-handler/https")


def service():
    return e2e.SERVICE


def partner_origin():
    return "http://127.0.0.2:%s" % service().webapp_origin.rsplit(":", 1)[1]


def system_web_browsers():
    """The desktop files of the machine that open web addresses."""
    folders = os.environ.get("XDG_DATA_DIRS") or "/usr/local/share:/usr/share"
    found = []
    for folder in folders.split(":"):
        for path in glob.glob(os.path.join(folder, "applications", "*.desktop")):
            with open(path, encoding="utf-8", errors="replace") as f:
                if any(scheme in f.read() for scheme in WEB_SCHEMES):
                    found.append(os.path.basename(path))
    return found


class ExternalLinksTest(e2e.AccessibleProgramTest):
    start_page = "/links"

    def setUp(self):
        super().setUp()
        self.data_home = os.path.join(self.home.path, ".local", "share")
        os.makedirs(os.path.join(self.data_home, "applications"))
        self.opened_log = os.path.join(self.home.path, "opened.txt")

    def register_stand_in_browser(self):
        recorder = os.path.join(self.home.path, "record-url")
        with open(recorder, "w") as f:
            f.write("#!/bin/sh\nprintf '%%s\\n' \"$1\" >> '%s'\n" % self.opened_log)
        os.chmod(recorder, 0o755)
        with open(os.path.join(self.data_home, "applications", STAND_IN), "w") as f:
            f.write("[Desktop Entry]\nType=Application\nName=Stand-in browser\n"
                    "Exec=%s %%u\nMimeType=%s;\nNoDisplay=true\n"
                    % (recorder, ";".join(WEB_SCHEMES)))
        self.write_mimeapps("[Default Applications]\n" + "".join(
            "%s=%s\n" % (scheme, STAND_IN) for scheme in WEB_SCHEMES))

    def write_mimeapps(self, text):
        os.makedirs(self.home.config_home, exist_ok=True)
        with open(os.path.join(self.home.config_home, "mimeapps.list"), "w") as f:
            f.write(text)

    def start(self):
        super().start({"XDG_DATA_HOME": self.data_home})
        return self.shown_after(0, "/links")

    def shown_after(self, since, path):
        url = service().webapp_origin + path
        return self.report_after(since, "links",
                                 lambda r: r["event"] == "show" and r["url"] == url)

    def opened(self):
        if not os.path.exists(self.opened_log):
            return []
        with open(self.opened_log, encoding="utf-8") as f:
            return f.read().splitlines()

    def wait_opened(self, url):
        self.assertTrue(e2e.wait_until(lambda: url in self.opened(), TIMEOUT),
                        "the browser was not given %s: %s" % (url, self.opened()))

    def assert_page_stayed(self, links, path="/links"):
        """The page answers a click: it is still the page at path, in the one window."""
        since = self.click(links, "still-here")
        self.report_after(since, "links", lambda r: r["event"] == "still-here"
                          and r["url"] == service().webapp_origin + path)
        self.assertEqual(self.session.visible_windows(), [self.window], "no window of its own")

    def press(self, *keys):
        e2e.run_tool("xdotool", "windowfocus", "--sync", str(self.window))
        e2e.run_tool("xdotool", "key", "--delay", "80", *keys)

    def test_links_to_another_site_open_in_the_default_browser_and_the_page_stays(self):
        self.register_stand_in_browser()
        links = self.start()
        self.click(links, "other-link")
        self.wait_opened(partner_origin() + "/")
        self.assert_page_stayed(links)
        self.click(links, "other-window-link")
        self.wait_opened(partner_origin() + "/window")
        self.click(links, "other-open")
        self.wait_opened(partner_origin() + "/opened")
        self.assert_page_stayed(links)
        self.assertEqual(len(self.opened()), 3, "each link once: %s" % self.opened())
        self.assertEqual(service().paths("partner"), [], "the client itself never went there")

    def test_a_form_post_a_redirect_and_the_sign_up_address_stay_inside(self):
        self.register_stand_in_browser()
        links = self.start()
        paid = self.shown_after(self.click(links, "pay"), "/links?paid=1")
        self.shown_after(self.click(paid, "round-trip-link"), "/links?bounced=1")
        self.assertEqual(service().paths("partner"), ["/pay", "/bounce"])

        signup_page = service().webapp_origin + "/signup.php"
        since = self.click(links, "marketing-signup-link")
        self.report_after(since, "signup", lambda r: r["url"] == signup_page)
        paths = service().paths()
        self.assertEqual(paths[-2:], ["/signup-simple-online-invoicing", "/signup.php"])
        self.assertEqual(self.opened(), [], "nothing went to the browser")

    def test_without_a_browser_the_bar_says_so_and_the_page_stays(self):
        # Hides any browser the machine has.
        self.write_mimeapps("[Removed Associations]\n" + "".join(
            "%s=%s;\n" % (scheme, ";".join(system_web_browsers())) for scheme in WEB_SCHEMES))
        links = self.start()
        self.click(links, "other-link")
        sentence = ("No web browser is set up on this computer to open %s."
                    % partner_origin().split("://", 1)[1])

        def showing(role, name):
            return any(o["showing"] and o["role"] == role and o["name"] == name
                       for o in self.accessible.objects(self.session.process.pid))
        self.assertTrue(e2e.wait_until(lambda: showing("label", sentence), TIMEOUT),
                        "the bar does not say it")
        # The bar moved the page down, so its reported layout no longer tells where to click.
        self.assertTrue(showing("document web", "Corvane - Links"), "the page stayed")
        self.assertEqual(self.session.visible_windows(), [self.window], "no dialog")
        self.assertEqual(service().paths("partner"), [])
        self.assertIn("cannot open %s/" % partner_origin(), self.session.stderr())

    def test_reload_keys_reload_and_alt_arrows_move_in_the_history(self):
        links = self.start()
        step = "/links?step=2"
        second = self.shown_after(self.click(links, "next-link"), step)
        for key in ("F5", "ctrl+r"):
            with self.subTest(key=key):
                loads = service().paths().count(step)
                self.press(key)
                second = self.shown_after(second["time"], step)
                self.assertEqual(service().paths().count(step), loads + 1, "loaded again")
        shown = second
        for back, forward in (("alt+Left", "alt+Right"), ("XF86Back", "XF86Forward")):
            with self.subTest(back=back, forward=forward):
                self.press(back)
                shown = self.shown_after(shown["time"], "/links")
                self.press(forward)
                shown = self.shown_after(shown["time"], step)
        self.press("BackSpace")
        self.assert_page_stayed(shown, step)


if __name__ == "__main__":
    e2e.main()
