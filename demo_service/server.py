#!/usr/bin/env python3
"""Local stand-in for the invoicing service: the web application and the marketing site on two
loopback origins, with a request log, a page-report store and a scenario control endpoint; and
a partner site on a third loopback origin (another address, so another site) that the web
application links to, posts a payment through and redirects through.

A person can walk through it: sign up, log in (any e-mail and a non-empty password; the
session cookie lasts a year), the dashboard, the invoice list and each invoice, a new-invoice
form (kept in memory), settings with a logo upload, log out, and a link that stops the service
for 30 seconds. /links leads out to the partner site and back.

Endpoints on every origin:
  GET  /__demo/requests   every request seen so far (JSON list)
  GET  /__demo/reports    every report pages posted about themselves (JSON list)
  POST /__demo/report     a page posts what it sees of itself (JSON object)
  POST /__demo/scenario   choose a scenario (JSON object, see Scenario)
  POST /__demo/reset      forget requests, reports, the scenario, accounts, new invoices and
                          settings
  POST /__demo/outage     refuse connections for a while (JSON object {"seconds": N})
"""

import argparse
import base64
import hashlib
import hmac
import ipaddress
import json
import re
import secrets
import signal
import socket
import sys
import threading
import time
import urllib.parse
from email import policy
from email.parser import BytesParser
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

import pages

COOKIE_NAME = "corvane_demo"
SESSION_COOKIE = "corvane_session"
SESSION_LIFETIME = 365 * 24 * 3600
OUTAGE_SECONDS = 30
MAX_BODY = 8 * 1024 * 1024
# The broken download announces this many bytes, sends half of them, waits a moment (so the
# client shows it running) and closes the connection.
BROKEN_DOWNLOAD_SIZE = 256 * 1024
BROKEN_DOWNLOAD_PAUSE = 2.0


class State:
    """Everything the two origins share, guarded by one lock."""

    def __init__(self):
        self.lock = threading.Lock()
        # Signs session cookies: a login lasts as long as this service runs.
        self.secret = secrets.token_bytes(32)
        self.outage_until = 0.0
        self.outage_requested = 0
        self.reset()

    def reset(self):
        self.requests = []
        self.reports = []
        # signup_next: address the sign-up page navigates to once, after it has loaded.
        # start_iframe: address the start page embeds in an iframe.
        # login_reload: the login page reloads itself once after its head changed.
        # start: path on the web app the start page redirects to, every time.
        # stop_seconds: how long "Stop the service" stops it (default 30; 0: not at all).
        self.scenario = {}
        self.visitors = 0
        self.accounts = set()
        self.invoices = [pages.sample_invoice(row) for row in range(1, pages.INVOICE_ROWS + 1)]
        self.company = "My Company"
        self.logo = None

    def take_signup_next(self):
        with self.lock:
            return self.scenario.pop("signup_next", None)

    def take_login_reload(self):
        with self.lock:
            return bool(self.scenario.pop("login_reload", False))

    def session_token(self, email):
        name = base64.urlsafe_b64encode(email.encode("utf-8")).decode("ascii")
        return name + "." + hmac.new(self.secret, name.encode("ascii"), hashlib.sha256).hexdigest()

    def session_user(self, token):
        """The e-mail a session cookie was given for, or None if it was not given here."""
        name, _, signature = token.partition(".")
        expected = hmac.new(self.secret, name.encode("ascii", "replace"),
                            hashlib.sha256).hexdigest()
        if not name or not hmac.compare_digest(signature, expected):
            return None
        try:
            return base64.urlsafe_b64decode(name.encode("ascii")).decode("utf-8")
        except ValueError:
            return None

    def find_invoice(self, number):
        with self.lock:
            return next((i for i in self.invoices if i["number"] == number), None)

    def add_invoice(self, invoice):
        with self.lock:
            invoice["number"] = "INV-%04d" % (max(
                [int(i["number"][4:]) for i in self.invoices] or [0]) + 1)
            self.invoices.append(invoice)
            return invoice["number"]

    def delete_invoice(self, number):
        with self.lock:
            self.invoices = [i for i in self.invoices if i["number"] != number]

    def request_outage(self, seconds):
        with self.lock:
            self.outage_requested = seconds

    def in_outage(self):
        return time.time() < self.outage_until


def parse_amount(text):
    """Cents of a decimal amount such as "150" or "150.5", or None."""
    found = re.fullmatch(r"\s*(\d{1,9})(?:[.,](\d{1,2}))?\s*", text)
    if not found:
        return None
    return int(found.group(1)) * 100 + int((found.group(2) or "0").ljust(2, "0"))


def new_invoice_from(form):
    """The invoice a filled-in form describes, or the message that says what is missing."""
    customer = form.get("customer", "").strip()
    cents = parse_amount(form.get("amount", ""))
    if not customer:
        return None, "Enter the customer."
    if cents is None:
        return None, "Enter the amount as a number, for example 150.00."
    currency = form.get("currency") if form.get("currency") in pages.CURRENCIES else "EUR"
    notes = form.get("notes", "")
    item = notes.strip().splitlines()[0][:80] if notes.strip() else "Services"
    return {"customer": customer, "email": form.get("email", "").strip(),
            "reference": form.get("reference", "").strip(), "currency": currency,
            "notes": notes, "lines": [(item, 1, cents)]}, ""


class Handler(BaseHTTPRequestHandler):
    server_version = "CorvaneDemo/1.0"
    protocol_version = "HTTP/1.1"

    @property
    def state(self):
        return self.server.state

    @property
    def site(self):
        return self.server.site

    def log_message(self, format, *args):  # noqa: A002 - the base class's name
        if self.server.verbose:
            sys.stderr.write("%s %s\n" % (self.site, format % args))

    def record(self):
        with self.state.lock:
            self.state.requests.append({
                "time": time.time(),
                "site": self.site,
                "origin": self.server.origin,
                "method": self.command,
                "path": self.path,
                "cookie": self.headers.get("Cookie", ""),
            })

    def send_body(self, status, body, content_type="text/html; charset=utf-8", headers=()):
        data = body.encode("utf-8")
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(data)))
        self.send_header("Cache-Control", "no-store")
        for name, value in headers:
            self.send_header(name, value)
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(data)

    def send_json(self, value):
        self.send_body(200, json.dumps(value), "application/json")

    def send_redirect(self, location, headers=()):
        self.send_body(303, "", headers=[("Location", location), *headers])

    def read_body(self, limit):
        length = int(self.headers.get("Content-Length", "0") or 0)
        if length < 0 or length > limit:
            raise ValueError("request body too large")
        return self.rfile.read(length) if length else b""

    def read_json(self):
        raw = self.read_body(4 * 1024 * 1024) or b"{}"
        value = json.loads(raw.decode("utf-8") or "{}")
        if not isinstance(value, dict):
            raise ValueError("expected a JSON object")
        return value

    def read_form(self):
        """The fields of a posted form, url-encoded or multipart; a file field gives a dict of
        its file name and content."""
        body = self.read_body(MAX_BODY)
        content_type = self.headers.get("Content-Type", "")
        if not content_type.startswith("multipart/form-data"):
            fields = urllib.parse.parse_qs(body.decode("utf-8", "replace"), keep_blank_values=True)
            return {name: values[0] for name, values in fields.items()}
        message = BytesParser(policy=policy.HTTP).parsebytes(
            b"Content-Type: " + content_type.encode("latin-1") + b"\r\n\r\n" + body)
        form = {}
        for part in message.iter_parts():
            name = part.get_param("name", header="content-disposition")
            data = part.get_payload(decode=True) or b""
            if part.get_filename() is not None:
                form[name] = {"filename": part.get_filename(), "content": data}
            else:
                form[name] = data.decode("utf-8", "replace")
        return form

    def cookie(self, name):
        for part in self.headers.get("Cookie", "").split(";"):
            key, _, value = part.strip().partition("=")
            if key == name:
                return value
        return None

    def user(self):
        token = self.cookie(SESSION_COOKIE)
        return self.state.session_user(token) if token else None

    def do_GET(self):
        self.dispatch()

    def do_HEAD(self):
        self.dispatch()

    def do_POST(self):
        self.dispatch()

    def dispatch(self):
        path = urllib.parse.urlsplit(self.path).path
        if path.startswith("/__demo/"):
            self.control(path)
            return
        if self.state.in_outage():
            # Stopped: a connection kept open from before gets no answer either.
            self.close_connection = True
            return
        self.record()
        method = self.command if self.command != "HEAD" else "GET"
        for route_method, pattern, route in self.server.routes:
            found = re.fullmatch(pattern, path)
            if found and route_method == method:
                try:
                    route(self, *found.groups())
                except ValueError as error:
                    self.send_body(400, pages.not_found(str(error)))
                return
        self.send_body(404, pages.not_found(path))

    def control(self, path):
        try:
            if self.command == "GET" and path == "/__demo/requests":
                with self.state.lock:
                    self.send_json(list(self.state.requests))
            elif self.command == "GET" and path == "/__demo/reports":
                with self.state.lock:
                    self.send_json(list(self.state.reports))
            elif self.command == "POST" and path == "/__demo/report":
                report = self.read_json()
                report["site"] = self.site
                report["time"] = time.time()
                with self.state.lock:
                    self.state.reports.append(report)
                self.send_json({"ok": True})
            elif self.command == "POST" and path == "/__demo/scenario":
                scenario = self.read_json()
                with self.state.lock:
                    self.state.scenario = scenario
                self.send_json({"ok": True})
            elif self.command == "POST" and path == "/__demo/reset":
                with self.state.lock:
                    self.state.reset()
                self.send_json({"ok": True})
            elif self.command == "POST" and path == "/__demo/outage":
                seconds = self.read_json().get("seconds")
                if not isinstance(seconds, (int, float)) or not 0 < seconds <= 3600:
                    raise ValueError("seconds must be a number from 0 to 3600")
                self.state.request_outage(seconds)
                self.send_json({"ok": True})
            else:
                self.send_body(404, pages.not_found(path))
        except (ValueError, UnicodeDecodeError) as error:
            self.send_body(400, json.dumps({"error": str(error)}), "application/json")

    # Web application pages.

    def start_page(self):
        with self.state.lock:
            start = self.state.scenario.get("start")
        if start:
            self.send_body(302, "", headers=[("Location", start)])
            return
        sent_back = self.cookie(COOKIE_NAME) is not None
        headers = []
        if not sent_back:
            with self.state.lock:
                self.state.visitors += 1
                visitor = self.state.visitors
            headers.append(("Set-Cookie", "%s=visitor-%d-%d; Max-Age=31536000; Path=/" %
                            (COOKIE_NAME, visitor, int(time.time()))))
        with self.state.lock:
            iframe = self.state.scenario.get("start_iframe")
        self.send_body(200, pages.start(sent_back, iframe, self.user(),
                                        self.server.origins["marketing"]), headers=headers)

    def signup_page(self):
        self.send_body(200, pages.signup(self.state.take_signup_next()))

    def signup(self):
        email = self.read_form().get("email", "").strip()
        if "@" not in email:
            self.send_body(200, pages.signup(None, "Enter your e-mail address."))
            return
        with self.state.lock:
            self.state.accounts.add(email)
        self.send_body(200, pages.account_created(email))

    def login_page(self):
        self.send_body(200, pages.login(self.state.take_login_reload()))

    def login(self):
        form = self.read_form()
        email = form.get("email", "").strip()
        if not email or not form.get("password"):
            self.send_body(200, pages.login(error="Enter your e-mail address and password."))
            return
        cookie = "%s=%s; Max-Age=%d; Path=/; HttpOnly; SameSite=Lax" % (
            SESSION_COOKIE, self.state.session_token(email), SESSION_LIFETIME)
        self.send_redirect("/", [("Set-Cookie", cookie)])

    def logout(self):
        self.send_redirect("/", [("Set-Cookie", "%s=; Max-Age=0; Path=/" % SESSION_COOKIE)])

    def invoices_page(self):
        with self.state.lock:
            listed = list(self.state.invoices)
        self.send_body(200, pages.invoices(listed))

    def invoice(self, number):
        invoice = self.state.find_invoice(number)
        if invoice is None:
            self.send_body(404, pages.not_found(self.path))
            return None
        return invoice

    def invoice_page(self, number):
        invoice = self.invoice(number)
        if invoice:
            self.send_body(200, pages.invoice_page(invoice))

    def invoice_pdf(self, number):
        invoice = self.invoice(number)
        if invoice:
            self.send_pdf(invoice["number"] + ".pdf", pages.invoice_pdf(invoice))

    def delete_invoice(self, number):
        if self.invoice(number):
            self.state.delete_invoice(number)
            self.send_json({"ok": True})

    def new_invoice_page(self):
        self.send_body(200, pages.new_invoice())

    def save_invoice(self):
        form = self.read_form()
        invoice, error = new_invoice_from(form)
        if invoice is None:
            self.send_body(200, pages.new_invoice(form, error))
            return
        self.state.add_invoice(invoice)
        self.send_redirect("/invoices")

    def settings_page(self):
        with self.state.lock:
            company, logo = self.state.company, self.state.logo
        self.send_body(200, pages.settings(company, logo))

    def save_settings(self):
        form = self.read_form()
        logo = form.get("logo")
        with self.state.lock:
            if isinstance(form.get("company"), str):
                self.state.company = form["company"]
            # A form sent without choosing a file keeps the logo there is.
            if isinstance(logo, dict) and logo["filename"]:
                self.state.logo = {"filename": logo["filename"], "size": len(logo["content"])}
                self.state.reports.append({"page": "settings", "event": "logo-uploaded",
                                           "site": self.site, "time": time.time(),
                                           **self.state.logo})
        self.send_redirect("/settings")

    def stop_service(self):
        seconds = self.state.scenario.get("stop_seconds", OUTAGE_SECONDS)
        self.close_connection = True
        self.send_body(200, pages.service_stopping(seconds), headers=[("Connection", "close")])
        if seconds:
            self.state.request_outage(seconds)

    def send_attachment_head(self, filename, length):
        self.send_response(200)
        self.send_header("Content-Type", "application/pdf")
        self.send_header("Content-Disposition", 'attachment; filename="%s"' % filename)
        self.send_header("Content-Length", str(length))
        self.send_header("Cache-Control", "no-store")
        self.end_headers()

    def send_pdf(self, filename, data):
        self.send_attachment_head(filename, len(data))
        if self.command != "HEAD":
            self.wfile.write(data)

    def invoice_download(self):
        self.send_pdf("invoice-42.pdf", pages.INVOICE_42_PDF)

    def broken_download(self):
        self.send_attachment_head("broken.pdf", BROKEN_DOWNLOAD_SIZE)
        self.close_connection = True
        if self.command == "HEAD":
            return
        self.wfile.write(b"%PDF-1.4\n" + b"0" * (BROKEN_DOWNLOAD_SIZE // 2))
        self.wfile.flush()
        time.sleep(BROKEN_DOWNLOAD_PAUSE)
        self.connection.shutdown(socket.SHUT_RDWR)

    def links_page(self):
        self.send_body(200, pages.links(self.server.origins["partner"],
                                        self.server.origins["marketing"]))

    def through_partner(self):
        self.send_body(302, "", headers=[("Location", self.server.origins["partner"] + "/bounce")])

    # Partner site pages: whatever comes through goes back to the web application only.

    def partner_page(self):
        self.send_body(200, pages.partner_site())

    def partner_pay(self):
        self.read_form()
        self.send_redirect(self.server.origins["webapp"] + "/links?paid=1")

    def partner_bounce(self):
        self.send_body(302, "", headers=[("Location",
                                          self.server.origins["webapp"] + "/links?bounced=1")])

    # Marketing site pages.

    def marketing_signup_page(self):
        self.send_body(200, pages.marketing_signup())

    def marketing_home_page(self):
        self.send_body(200, pages.marketing_home())


INVOICE_NUMBER = r"(INV-\d{4,6})"
WEBAPP_ROUTES = [
    ("GET", "/", Handler.start_page),
    ("GET", "/signup.php", Handler.signup_page),
    ("POST", "/signup.php", Handler.signup),
    ("GET", "/login.php", Handler.login_page),
    ("POST", "/login.php", Handler.login),
    ("GET", "/logout", Handler.logout),
    ("GET", "/invoices", Handler.invoices_page),
    ("GET", "/invoices/invoice-42.pdf", Handler.invoice_download),
    ("GET", "/invoices/broken.pdf", Handler.broken_download),
    ("GET", "/invoices/new", Handler.new_invoice_page),
    ("POST", "/invoices/new", Handler.save_invoice),
    ("GET", "/invoices/" + INVOICE_NUMBER, Handler.invoice_page),
    ("GET", "/invoices/" + INVOICE_NUMBER + r"\.pdf", Handler.invoice_pdf),
    ("POST", "/invoices/" + INVOICE_NUMBER + "/delete", Handler.delete_invoice),
    ("GET", "/settings", Handler.settings_page),
    ("POST", "/settings", Handler.save_settings),
    ("GET", "/stop-service", Handler.stop_service),
    ("GET", "/links", Handler.links_page),
    ("GET", "/through-partner", Handler.through_partner),
]
MARKETING_ROUTES = [
    ("GET", "/", Handler.marketing_home_page),
    # Also answers the look-alike addresses (trailing slash), so a test sees the page stay.
    ("GET", "/signup-simple-online-invoicing", Handler.marketing_signup_page),
    ("GET", "/signup-simple-online-invoicing/", Handler.marketing_signup_page),
    ("GET", "/Signup-Simple-Online-Invoicing", Handler.marketing_signup_page),
]
PARTNER_ROUTES = [
    ("GET", "/", Handler.partner_page),
    ("GET", "/window", Handler.partner_page),
    ("GET", "/opened", Handler.partner_page),
    ("POST", "/pay", Handler.partner_pay),
    ("GET", "/bounce", Handler.partner_bounce),
]


def loopback_address(origin):
    """The (address, port) an origin on the loopback network is served on."""
    parts = urllib.parse.urlsplit(origin)
    host = "127.0.0.1" if parts.hostname == "localhost" else parts.hostname
    try:
        loopback = ipaddress.ip_address(host or "").is_loopback
    except ValueError:
        loopback = False
    if parts.scheme != "http" or not loopback or not parts.port or host.count(".") != 3:
        raise SystemExit("origin must be http://127.x.y.z:<port>, got %r" % origin)
    return host, parts.port


def partner_origin_beside(webapp_origin):
    """The partner site on the web application's port at the next loopback address."""
    return "http://127.0.0.2:%d" % loopback_address(webapp_origin)[1]


class Service:
    """The two origins' servers, which can be stopped for a while and started again."""

    def __init__(self, origins, state, verbose):
        self.origins, self.state, self.verbose = origins, state, verbose
        self.servers = []

    def make_server(self, site, routes):
        server = ThreadingHTTPServer(loopback_address(self.origins[site]), Handler)
        server.daemon_threads = True
        server.site, server.origin, server.origins = site, self.origins[site], self.origins
        server.routes, server.state, server.verbose = routes, self.state, self.verbose
        return server

    def start(self):
        self.servers = [self.make_server("webapp", WEBAPP_ROUTES),
                        self.make_server("marketing", MARKETING_ROUTES),
                        self.make_server("partner", PARTNER_ROUTES)]
        for server in self.servers:
            threading.Thread(target=server.serve_forever, daemon=True).start()

    def stop(self):
        for server in self.servers:
            server.shutdown()
            server.server_close()
        self.servers = []

    def take_outage(self):
        """Starts the outage a page or a test asked for; the seconds it lasts, or 0."""
        with self.state.lock:
            seconds, self.state.outage_requested = self.state.outage_requested, 0
            if seconds:
                self.state.outage_until = time.time() + seconds
        if seconds:
            self.stop()
        return seconds


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--webapp-origin", default="http://127.0.0.1:18741")
    parser.add_argument("--marketing-origin", default="http://127.0.0.1:18742")
    parser.add_argument("--partner-origin",
                        help="another site (default: the web application's port on 127.0.0.2)")
    parser.add_argument("--verbose", action="store_true", help="log every request to stderr")
    args = parser.parse_args()

    origins = {"webapp": args.webapp_origin, "marketing": args.marketing_origin,
               "partner": args.partner_origin or partner_origin_beside(args.webapp_origin)}
    state = State()
    service = Service(origins, state, args.verbose)
    service.start()

    # The handler only records the signal: taking a lock in it (Event.set) can deadlock with
    # the main thread, which may hold that same lock when the signal arrives.
    stop_signals = []
    for signum in (signal.SIGTERM, signal.SIGINT):
        signal.signal(signum, lambda received, _frame: stop_signals.append(received))
    print("ready %s %s" % (args.webapp_origin, args.marketing_origin), flush=True)
    while not stop_signals:
        time.sleep(0.2)
        if service.take_outage():
            while state.in_outage() and not stop_signals:
                time.sleep(0.2)
            service.start()
    service.stop()


if __name__ == "__main__":
    main()
