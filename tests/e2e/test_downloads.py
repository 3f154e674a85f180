"""Downloads as a user meets them: a click on an invoice link saves the file into the download
folder of the desktop's user-dirs.dirs under a free name, a download the server breaks off
leaves nothing behind, and the bar at the bottom of the window tells of it all. The bar is
observed through the accessibility tree (AT-SPI on a private session bus)."""

import os
import urllib.request

import corvane_e2e as e2e

TIMEOUT = 60
INVOICE = "invoice-42.pdf"
INVOICE_COPY = "invoice-42 (1).pdf"

# The desktop's default program for PDF files and folders, in the test's home: it notes what it
# was asked to open.
OPENER = """#!/bin/sh
printf '%s\\n' "$1" >> "$(dirname "$0")/opened.txt"
"""
OPENER_ENTRY = """[Desktop Entry]
Type=Application
Name=Note what is opened
Exec={opener} %f
MimeType=application/pdf;inode/directory;
"""
DEFAULT_APPS = """[Default Applications]
application/pdf=corvane-test-opener.desktop
inode/directory=corvane-test-opener.desktop
"""


def service():
    return e2e.SERVICE


def server_bytes(path):
    with urllib.request.urlopen(service().webapp_origin + path, timeout=10) as response:
        return response.read()


class DownloadsTest(e2e.AccessibleProgramTest):
    start_page = "/invoices"

    def setUp(self):
        super().setUp()
        self.downloads = os.path.join(self.home.path, "My Downloads")

    def install_opener(self):
        opener = os.path.join(self.home.path, "opener.sh")
        with open(opener, "w") as f:
            f.write(OPENER)
        os.chmod(opener, 0o755)
        applications = os.path.join(self.home.path, ".local", "share", "applications")
        os.makedirs(applications)
        with open(os.path.join(applications, "corvane-test-opener.desktop"), "w") as f:
            f.write(OPENER_ENTRY.format(opener=opener))
        with open(os.path.join(self.home.config_home, "mimeapps.list"), "w") as f:
            f.write(DEFAULT_APPS)

    def opened(self):
        try:
            with open(os.path.join(self.home.path, "opened.txt")) as f:
                return f.read().splitlines()
        except FileNotFoundError:
            return []

    def press(self, button):
        complaint = self.accessible.press(self.session.process.pid, button)
        self.assertIsNone(complaint, "cannot press %s: %s" % (button, complaint))

    def use_download_dir(self, value):
        with open(os.path.join(self.home.config_home, "user-dirs.dirs"), "w") as f:
            f.write('XDG_DOWNLOAD_DIR="%s"\n' % value)

    def start(self):
        session = super().start(
            {"XDG_DATA_HOME": os.path.join(self.home.path, ".local", "share")})
        reports = e2e.wait_until(lambda: service().reports("invoices"), TIMEOUT)
        self.assertTrue(reports, "the invoices page did not load: %s" % service().paths())
        self.links = reports[0]["links"]
        return session

    def click_link(self, link):
        x, y, _, _ = e2e.window_geometry(self.window)
        left, top, width, height = self.links[link]
        e2e.run_tool("xdotool", "mousemove", str(x + int(left + width / 2)),
                     str(y + int(top + height / 2)), "click", "1")

    def widgets(self):
        return self.accessible.objects(self.session.process.pid)

    def bar(self):
        """What the bar shows: its text and button names, progress bar shown; None if hidden."""
        shown = [w for w in self.widgets() if w["showing"]]
        labels = [w["name"] for w in shown if w["role"] == "label"]
        if not labels:
            return None
        return {"text": labels[0],
                "buttons": [w["name"] for w in shown if w["role"] == "push button"],
                "progress": any(w["role"] == "progress bar" for w in shown)}

    def wait_for_bar(self, predicate, what):
        seen = []

        def probe():
            state = self.bar()
            seen.append(state)
            return state if state and predicate(state) else None
        state = e2e.wait_until(probe, TIMEOUT, interval=0.2)
        self.assertTrue(state, "bar never showed %s; last seen: %s" % (what, seen[-3:]))
        return state

    def folder_listing(self):
        return sorted(os.listdir(self.downloads))

    def read(self, name):
        with open(os.path.join(self.downloads, name), "rb") as f:
            return f.read()

    def test_invoices_land_under_free_names_and_a_broken_download_leaves_nothing(self):
        self.use_download_dir("$HOME/My Downloads")  # missing: the program creates it
        self.install_opener()
        invoice = server_bytes("/invoices/" + INVOICE)
        self.start()

        self.click_link("invoice-42")
        done = self.wait_for_bar(lambda b: b["text"].startswith(INVOICE + " is downloaded"),
                                 "the finished invoice")
        self.assertEqual(done["buttons"], ["Open", "Show in folder", "Close"])
        self.assertEqual(self.folder_listing(), [INVOICE])
        self.assertEqual(self.read(INVOICE), invoice)
        first_stat = os.stat(os.path.join(self.downloads, INVOICE))

        # Both go to the desktop's default program; no file manager is on the private bus.
        self.press("Open")
        self.assertTrue(e2e.wait_until(lambda: len(self.opened()) == 1, TIMEOUT))
        self.press("Show in folder")
        self.assertTrue(e2e.wait_until(lambda: len(self.opened()) == 2, TIMEOUT))
        self.assertEqual(self.opened(), [os.path.join(self.downloads, INVOICE), self.downloads])

        self.click_link("invoice-42")
        self.wait_for_bar(lambda b: b["text"].startswith(INVOICE_COPY + " is downloaded"),
                          "the second copy")
        self.assertEqual(self.folder_listing(), sorted([INVOICE, INVOICE_COPY]))
        self.assertEqual(self.read(INVOICE_COPY), invoice)
        self.assertEqual(self.read(INVOICE), invoice)

        # The server sends half, pauses, then breaks off: the bar shows it running meanwhile.
        self.click_link("broken")
        running = self.wait_for_bar(lambda b: b["text"].startswith("Downloading broken.pdf"),
                                    "the broken download running")
        self.assertTrue(running["progress"], running)
        failed = self.wait_for_bar(lambda b: "The download of broken.pdf failed." in b["text"],
                                   "the failure")
        self.assertFalse(failed["progress"], failed)
        self.assertNotIn("Open", failed["buttons"])
        self.assertEqual(self.folder_listing(), sorted([INVOICE, INVOICE_COPY]))
        self.assertEqual(self.read(INVOICE), invoice)
        self.assertEqual(self.read(INVOICE_COPY), invoice)
        self.assertEqual(os.stat(os.path.join(self.downloads, INVOICE)).st_ino, first_stat.st_ino)

        # The bar goes by itself a while after the last end.
        self.assertTrue(e2e.wait_until(lambda: self.bar() is None, 30, interval=0.5),
                        "the bar stayed: %s" % self.bar())

    def test_an_unusable_download_folder_is_said_and_nothing_is_written(self):
        blocker = os.path.join(self.home.path, "not-a-folder")
        with open(blocker, "wb") as f:
            f.write(b"keep me")
        self.use_download_dir("$HOME/not-a-folder")
        self.start()

        self.click_link("invoice-42")
        state = self.wait_for_bar(lambda b: "was not downloaded" in b["text"], "the refusal")
        self.assertIn(INVOICE, state["text"])
        self.assertIn(blocker, state["text"])
        self.assertEqual(state["buttons"], ["Close"])
        with open(blocker, "rb") as f:
            self.assertEqual(f.read(), b"keep me")
        self.assertFalse(os.path.exists(os.path.join(self.home.path, "Downloads")))


if __name__ == "__main__":
    e2e.main()
