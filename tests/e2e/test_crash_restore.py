"""Text typed into a form survives a crash of the page's web process: the page reloads by itself
and gets back what was typed into its fields, except the password; once the user has left the
page, coming back to it shows empty fields. The form page reports its fields' values."""

import os
import signal
import time

import corvane_e2e as e2e

TIMEOUT = 60
TYPED = {"customer": "Zephyr Tools", "reference": "PO-7731", "approval": "s3cret"}
KEPT = ("customer", "reference")


def service():
    return e2e.SERVICE


def children(parent):
    return [int(pid) for pid in e2e.run_tool("pgrep", "-P", str(parent)).stdout.split()]


def web_processes(program):
    """The program's WebKit web processes; the sandbox starts them a few generations down."""
    found, waiting = [], children(program)
    while waiting:
        pid = waiting.pop()
        waiting += children(pid)
        try:
            with open("/proc/%d/cmdline" % pid, "rb") as f:
                executable = f.read().split(b"\0")[0]
        except OSError:
            continue  # ended meanwhile
        if os.path.basename(executable) == b"WebKitWebProcess":
            found.append(pid)
    return found


class CrashRestoreTest(e2e.ProgramTest):
    start_page = "/invoices/new"

    def form_after(self, since, condition=lambda values: True, event=None):
        return self.report_after(since, "new-invoice", lambda r: "values" in r and (
            event is None or r["event"] == event) and condition(r["values"]))

    def type_into(self, report, element, text):
        e2e.click_element(self.window, report, element)
        e2e.type_text(self.window, text)

    def kill_web_processes(self, session):
        victims = e2e.wait_until(lambda: web_processes(session.process.pid), TIMEOUT)
        self.assertTrue(victims, "the program has no web process")
        killed = time.time()
        for pid in victims:
            os.kill(pid, signal.SIGKILL)
        return victims, killed

    def test_typed_text_comes_back_after_a_crash_but_not_after_leaving(self):
        session = self.start()
        form = self.form_after(0, event="load")
        for name, text in TYPED.items():
            self.type_into(form, name, text)

        def as_typed(values):
            return all(values[name] == text for name, text in TYPED.items())
        # The client keeps what was typed a moment after the typing stops; the page reports once
        # a second, so its second report of all the text comes after that moment.
        self.form_after(self.form_after(form["time"], as_typed)["time"], as_typed)

        victims, killed = self.kill_web_processes(session)
        reloaded = self.form_after(killed, event="load")
        restored = self.form_after(
            reloaded["time"], lambda values: all(values[name] == TYPED[name] for name in KEPT))
        self.assertEqual(restored["values"]["approval"], "", "a password is never kept")
        self.assertTrue(web_processes(session.process.pid), "a new web process shows the page")
        self.assertFalse(set(web_processes(session.process.pid)) & set(victims))

        # Away and back by the page's links: a page loaded anew, nothing of the old text in it.
        left = e2e.click_element(self.window, restored, "nav-invoices")
        invoices = self.report_after(left, "invoices")
        back = self.form_after(e2e.click_element(self.window, invoices, "nav-new"), event="load")
        # A restore would come right after the load; the third report after it is well past that.
        third = self.form_after(self.form_after(self.form_after(back["time"])["time"])["time"])
        for values in (back["values"], third["values"]):
            self.assertEqual({name: values[name] for name in TYPED}, dict.fromkeys(TYPED, ""))
        self.assertEqual(session.close(), 0)


if __name__ == "__main__":
    e2e.main()
