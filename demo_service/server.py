#!/usr/bin/env python3
"""Local stand-in for the invoicing service: the web application and the marketing site on two
loopback origins, with a request log, a page-report store and a scenario control endpoint.

Endpoints on both origins:
  GET  /__demo/requests   every request seen so far (JSON list)
  GET  /__demo/reports    every report pages posted about themselves (JSON list)
  POST /__demo/report     a page posts what it sees of itself (JSON object)
  POST /__demo/scenario   choose a scenario (JSON object, see Scenario)
  POST /__demo/reset      forget requests, reports and the scenario
"""

import argparse
import json
import signal
import socket
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

import pages

COOKIE_NAME = "corvane_demo"
# The broken download announces this many bytes, sends half of them, waits a moment (so the
# client shows it running) and closes the connection.
BROKEN_DOWNLOAD_SIZE = 256 * 1024
BROKEN_DOWNLOAD_PAUSE = 2.0


class State:
    """Everything the two origins share, guarded by one lock."""

    def __init__(self):
        self.lock = threading.Lock()
        self.reset()

    def reset(self):
        self.requests = []
        self.reports = []
        # signup_next: address the sign-up page navigates to once, after it has loaded.
        # start_iframe: address the start page embeds in an iframe.
        # login_reload: the login page reloads itself once after its head changed.
        # start: path on the web app the start page redirects to, every time.
        self.scenario = {}
        self.visitors = 0

    def take_signup_next(self):
        with self.lock:
            return self.scenario.pop("signup_next", None)

    def take_login_reload(self):
        with self.lock:
            return bool(self.scenario.pop("login_reload", False))


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

    def read_json(self):
        length = int(self.headers.get("Content-Length", "0") or 0)
        if length < 0 or length > 4 * 1024 * 1024:
            raise ValueError("request body too large")
        raw = self.rfile.read(length) if length else b"{}"
        value = json.loads(raw.decode("utf-8") or "{}")
        if not isinstance(value, dict):
            raise ValueError("expected a JSON object")
        return value

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
        self.record()
        route = self.server.routes.get((self.command if self.command != "HEAD" else "GET", path))
        if route is None:
            self.send_body(404, pages.not_found(path))
            return
        route(self)

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
        cookie = self.headers.get("Cookie", "")
        sent_back = any(part.strip().startswith(COOKIE_NAME + "=") for part in cookie.split(";"))
        headers = []
        if not sent_back:
            with self.state.lock:
                self.state.visitors += 1
                visitor = self.state.visitors
            headers.append(("Set-Cookie", "%s=visitor-%d-%d; Max-Age=31536000; Path=/" %
                            (COOKIE_NAME, visitor, int(time.time()))))
        with self.state.lock:
            iframe = self.state.scenario.get("start_iframe")
        self.send_body(200, pages.start(sent_back, iframe), headers=headers)

    def signup_page(self):
        self.send_body(200, pages.signup(self.state.take_signup_next()))

    def login_page(self):
        self.send_body(200, pages.login(self.state.take_login_reload()))

    def invoices_page(self):
        self.send_body(200, pages.invoices())

    def send_attachment_head(self, filename, length):
        self.send_response(200)
        self.send_header("Content-Type", "application/pdf")
        self.send_header("Content-Disposition", 'attachment; filename="%s"' % filename)
        self.send_header("Content-Length", str(length))
        self.send_header("Cache-Control", "no-store")
        self.end_headers()

    def invoice_download(self):
        self.send_attachment_head("invoice-42.pdf", len(pages.INVOICE_42_PDF))
        if self.command != "HEAD":
            self.wfile.write(pages.INVOICE_42_PDF)

    def broken_download(self):
        self.send_attachment_head("broken.pdf", BROKEN_DOWNLOAD_SIZE)
        self.close_connection = True
        if self.command == "HEAD":
            return
        self.wfile.write(b"%PDF-1.4\n" + b"0" * (BROKEN_DOWNLOAD_SIZE // 2))
        self.wfile.flush()
        time.sleep(BROKEN_DOWNLOAD_PAUSE)
        self.connection.shutdown(socket.SHUT_RDWR)

    # Marketing site pages.

    def marketing_signup_page(self):
        self.send_body(200, pages.marketing_signup())

    def marketing_home_page(self):
        self.send_body(200, pages.marketing_home())


WEBAPP_ROUTES = {
    ("GET", "/"): Handler.start_page,
    ("GET", "/signup.php"): Handler.signup_page,
    ("GET", "/login.php"): Handler.login_page,
    ("GET", "/invoices"): Handler.invoices_page,
    ("GET", "/invoices/invoice-42.pdf"): Handler.invoice_download,
    ("GET", "/invoices/broken.pdf"): Handler.broken_download,
}
MARKETING_ROUTES = {
    ("GET", "/"): Handler.marketing_home_page,
    # Also answers the look-alike addresses (trailing slash), so a test sees the page stay.
    ("GET", "/signup-simple-online-invoicing"): Handler.marketing_signup_page,
    ("GET", "/signup-simple-online-invoicing/"): Handler.marketing_signup_page,
    ("GET", "/Signup-Simple-Online-Invoicing"): Handler.marketing_signup_page,
}


def loopback_port(origin):
    parts = urllib.parse.urlsplit(origin)
    if parts.scheme != "http" or parts.hostname not in ("127.0.0.1", "localhost") or not parts.port:
        raise SystemExit("origin must be http://127.0.0.1:<port>, got %r" % origin)
    return parts.port


def make_server(site, origin, routes, state, verbose):
    server = ThreadingHTTPServer(("127.0.0.1", loopback_port(origin)), Handler)
    server.daemon_threads = True
    server.site, server.origin, server.routes = site, origin, routes
    server.state, server.verbose = state, verbose
    return server


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--webapp-origin", default="http://127.0.0.1:18741")
    parser.add_argument("--marketing-origin", default="http://127.0.0.1:18742")
    parser.add_argument("--verbose", action="store_true", help="log every request to stderr")
    args = parser.parse_args()

    state = State()
    servers = [make_server("webapp", args.webapp_origin, WEBAPP_ROUTES, state, args.verbose),
               make_server("marketing", args.marketing_origin, MARKETING_ROUTES, state,
                           args.verbose)]
    threads = [threading.Thread(target=s.serve_forever, daemon=True) for s in servers]
    for thread in threads:
        thread.start()

    # The handler only records the signal: taking a lock in it (Event.set) can deadlock with
    # the main thread, which may hold that same lock when the signal arrives.
    stop_signals = []
    for signum in (signal.SIGTERM, signal.SIGINT):
        signal.signal(signum, lambda received, _frame: stop_signals.append(received))
    print("ready %s %s" % (args.webapp_origin, args.marketing_origin), flush=True)
    while not stop_signals:
        time.sleep(0.2)
    for server in servers:
        server.shutdown()
        server.server_close()


if __name__ == "__main__":
    main()
