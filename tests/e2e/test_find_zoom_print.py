"""Finding a customer, zooming and printing on the invoice list, with the keys a user presses.
Observed from outside: the accessibility tree a screen reader sees, the page's own reports of
its width, the configuration file and the PDF the print dialog writes."""

import glob
import os
import shutil
import subprocess

import corvane_e2e as e2e

TIMEOUT = 60
# The name the demo's invoice list holds in exactly three rows.
NAME = "Kestrel"
# On a US keyboard Ctrl+plus is Ctrl+Shift with the equal key.
CTRL_PLUS = "ctrl+shift+equal"


def service():
    return e2e.SERVICE


class FindZoomPrintTest(e2e.AccessibleProgramTest):
    start_page = "/invoices"

    def session(self):
        return e2e.Session(home=self.home, env_changes=self.accessible.bus.program_env())

    def invoice_reports(self, event=None):
        return [r for r in service().reports("invoices") if event is None or r["event"] == event]

    def wait_for_invoices(self, session):
        windows = session.wait_for_windows()
        self.assertTrue(windows, "no window")
        self.assertTrue(e2e.wait_until(lambda: self.invoice_reports("load"), TIMEOUT),
                        "the invoice list never loaded")
        # Keys sent before the page has the keyboard would go elsewhere.
        e2e.run_tool("xdotool", "windowfocus", "--sync", str(windows[0]))
        self.assertTrue(e2e.wait_until(
            lambda: [r for r in self.invoice_reports() if r["hasFocus"]], TIMEOUT),
            "the page never had the keyboard")
        return windows[0]

    def wait_for_width(self, width):
        """The page's report of the width it has, once it is width (within rounding)."""
        reports = e2e.wait_until(lambda: [r for r in self.invoice_reports()
                                          if abs(r["innerWidth"] - width) <= 1], TIMEOUT)
        self.assertTrue(reports, "the page never became %d wide; it reported %s"
                        % (width, [r["innerWidth"] for r in self.invoice_reports()]))
        return reports[-1]["innerWidth"]

    @staticmethod
    def press(window, *keys):
        e2e.run_tool("xdotool", "windowfocus", "--sync", str(window))
        e2e.run_tool("xdotool", "key", "--delay", "80", *keys)

    def objects(self, session):
        return self.accessible.objects(session.process.pid)

    def showing(self, session, role, name):
        return any(o["role"] == role and o["name"] == name and o["showing"]
                   for o in self.objects(session))

    def wait_showing(self, session, role, name, shown=True):
        self.assertTrue(e2e.wait_until(lambda: self.showing(session, role, name) == shown,
                                       TIMEOUT, interval=0.5),
                        "%s %r %s" % (role, name, "never showed" if shown else "still shows"))

    def test_ctrl_f_counts_the_matches_and_escape_hands_the_keys_back_to_the_page(self):
        with self.session() as session:
            window = self.wait_for_invoices(session)
            self.press(window, "ctrl+f")
            self.wait_showing(session, "text", "Find in page")
            e2e.run_tool("xdotool", "type", "--delay", "80", NAME)
            self.wait_showing(session, "label", "3 matches")
            self.press(window, "Return", "shift+Return")
            self.assertTrue(self.showing(session, "label", "3 matches"))
            e2e.run_tool("xdotool", "type", "--delay", "80", "x")
            self.wait_showing(session, "label", "No matches")

            self.press(window, "Escape")
            self.wait_showing(session, "text", "Find in page", shown=False)
            self.assertFalse(self.showing(session, "label", "No matches"))
            # The page has the keyboard again: its keys reach the window's shortcuts.
            self.press(window, "ctrl+f")
            self.wait_showing(session, "text", "Find in page")
            self.wait_showing(session, "label", "No matches")
            self.assertEqual(session.close(), 0)
        self.assertNotIn(b"ZoomLevel", self.home.read_data_file("config.xml"),
                         "nothing stored for a user who never zoomed")

    def test_the_keys_work_on_the_restyled_login_page(self):
        service().scenario(start="/login.php")
        with self.session() as session:
            window = session.wait_for_windows()[0]
            self.assertTrue(e2e.wait_until(
                lambda: [r for r in service().reports("login") if r["event"] == "settled"],
                TIMEOUT), "the login page never settled")
            self.press(window, "ctrl+f")
            self.wait_showing(session, "text", "Find in page")
            e2e.run_tool("xdotool", "type", "--delay", "80", "Password")
            self.wait_showing(session, "label", "1 match")
            self.assertEqual(session.close(), 0)

    def test_ctrl_plus_twice_is_kept_for_the_next_start_ctrl_0_undoes_it_ctrl_wheel_zooms(self):
        with self.session() as session:
            window = self.wait_for_invoices(session)
            width = self.invoice_reports("load")[0]["innerWidth"]
            # 100% -> 110% -> 125%: the page's CSS width shrinks by the factor. Each step is
            # seen before the next key, so a busy machine cannot merge them.
            self.press(window, CTRL_PLUS)
            self.wait_for_width(round(width / 1.1))
            self.press(window, CTRL_PLUS)
            zoomed = self.wait_for_width(round(width / 1.25))
            self.assertEqual(session.close(), 0)
        self.assertIn(b"<ZoomLevel>", self.home.read_data_file("config.xml"))

        service().reset()
        service().scenario(start="/invoices")
        with self.session() as session:
            window = self.wait_for_invoices(session)
            self.assertAlmostEqual(self.invoice_reports("load")[0]["innerWidth"], zoomed, delta=1)
            self.press(window, "ctrl+0")
            self.wait_for_width(width)
            self.assertEqual(session.close(), 0)

        service().reset()
        service().scenario(start="/invoices")
        with self.session() as session:
            window = self.wait_for_invoices(session)
            self.assertEqual(self.invoice_reports("load")[0]["innerWidth"], width)
            # Ctrl with the wheel turned towards the user over the page: one step out, to 90%.
            e2e.run_tool("xdotool", "mousemove", "--window", str(window), "300", "300")
            e2e.run_tool("xdotool", "keydown", "ctrl", "click", "5", "keyup", "ctrl")
            self.wait_for_width(round(width / 0.9))
            self.assertEqual(session.close(), 0)

    def test_ctrl_p_opens_the_print_dialog_which_prints_the_page_to_a_file(self):
        if not shutil.which("pdftotext"):
            self.fail("pdftotext (poppler-utils) is needed")
        with self.session() as session:
            window = self.wait_for_invoices(session)
            self.press(window, "ctrl+p")
            dialogs = e2e.wait_until(
                lambda: [w for w in session.visible_windows() if w != window], TIMEOUT)
            self.assertTrue(dialogs, "no print dialog opened")
            # The dialog reads its printers after it shows; the only one here is
            # "Print to File".
            self.wait_showing(session, "table cell", "Print to File")
            self.press(dialogs[0], "Down", "Return")

            def written():
                return [p for p in glob.glob(os.path.join(self.home.path, "**", "*.pdf"),
                                             recursive=True) if os.path.getsize(p) > 0]

            pdfs = e2e.wait_until(written, TIMEOUT)
            self.assertTrue(pdfs, "no PDF written")

            def text():
                return subprocess.run(["pdftotext", "-layout", pdfs[0], "-"],
                                      capture_output=True, text=True, timeout=30).stdout

            # The writer may still be adding pages: wait for the whole list.
            e2e.wait_until(lambda: text().count(NAME) == 3, TIMEOUT, interval=0.5)
            text = text()
            self.assertIn("Open invoices", text)
            self.assertEqual(text.count(NAME), 3, "the whole list is printed")
            self.assertIsNone(session.process.poll(), "the program still runs")
            self.assertEqual(session.close(), 0)


if __name__ == "__main__":
    e2e.main()
