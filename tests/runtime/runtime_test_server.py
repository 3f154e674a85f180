#!/usr/bin/env python3
"""Loopback HTTP server for the runtime test.

Usage: runtime_test_server.py REPORT_FILE TIME_LIMIT [PORT]

Listens on PORT (any free port when 0 or left out) and prints it on the first line of stdout,
serves a page with an iframe, plain pages and files to download, echoes POSTs to /echo,
appends every /report request's query and every requested path to the report file, and exits by
itself after a time limit or when /quit is requested.
"""
import http.server
import sys
import threading
import time
import urllib.parse

PAGES = {
    "/index.html": b"<!DOCTYPE html><html><head><title>Runtime test</title></head><body>"
                   b"<p>main document</p><iframe name=\"child\" src=\"/sub.html\"></iframe>"
                   b"</body></html>",
    "/sub.html": b"<!DOCTYPE html><html><body><p>sub document</p></body></html>",
    "/popup.html": b"<!DOCTYPE html><html><head><title>Popup page</title></head><body>"
                   b"<p>popup document</p></body></html>",
    "/other.html": b"<!DOCTYPE html><html><head><title>Other page</title></head><body>"
                   b"<p>other document</p></body></html>",
    "/find.html": b"<!DOCTYPE html><html><head><title>Find test</title></head><body>"
                  b"<p>apple tree</p><p>Apple pie</p><p>pear and APPLE</p></body></html>",
    # Fields of every kind the runtime keeps or withholds after a crash, and ?other= an iframe
    # of another origin with the same fields. Each frame reports its values twice a second.
    "/form.html": b"<!DOCTYPE html><html><body><form><input name=\"preset\" value=\"server\">"
                  b"<input name=\"kept\"><input name=\"twin\"><input name=\"twin\">"
                  b"<input name=\"off\" autocomplete=\"off\"><input name=\"secret\" type=\"password\">"
                  b"<select name=\"choice\"><option>a</option><option>b</option></select>"
                  b"<textarea name=\"notes\"></textarea></form>"
                  b"<form autocomplete=\"off\"><input name=\"quiet\"></form><script>"
                  b"var other = new URLSearchParams(location.search).get('other');"
                  b"if (other) document.body.appendChild(document.createElement('iframe')).src = other;"
                  b"setInterval(function () {"
                  b"  var values = Array.prototype.map.call(document.querySelectorAll('[name]'),"
                  b"      function (e) { return e.name + '-' + e.value; }).join('.');"
                  b"  new Image().src = '/report?' + (window === top ? 'main:' : 'sub:') + values;"
                  b"}, 500);</script></body></html>",
}

# Right-click targets at fixed places: a link, an image, a text area and plain text; below them
# two elements with tooltips and a sub-frame.
PAGES["/menu.html"] = (
    b"<!DOCTYPE html><html><head><title>Menu test</title><style>"
    b"body{margin:0;font:20px sans-serif}body>*{position:absolute;left:20px;margin:0}</style></head>"
    b"<body><a href=\"/other.html\" style=\"top:20px\">a link</a>"
    b"<img style=\"top:80px;width:60px;height:60px\" src=\"data:image/svg+xml,<svg "
    b"xmlns='http://www.w3.org/2000/svg' width='60' height='60'><rect width='60' height='60' "
    b"fill='teal'/></svg>\">"
    b"<textarea spellcheck=\"true\" style=\"top:180px;width:400px;height:60px;font:20px sans-serif\">"
    b"</textarea><p style=\"top:300px\">plain words</p>"
    b"<span title=\"Invoice total\" style=\"top:360px\">total</span>"
    b"<span title=\"Due date\" style=\"top:360px;left:400px\">due</span>"
    b"<iframe src=\"/sub.html\" style=\"top:420px;width:300px;height:80px\"></iframe></body></html>")
# Reports the page's colour scheme on load and on every change: "scheme=QUERY-COUNT:dark".
PAGES["/scheme.html"] = (
    b"<!DOCTYPE html><html><body><script>"
    b"var dark = matchMedia('(prefers-color-scheme: dark)'), count = 0;"
    b"function report() {"
    b"  new Image().src = '/report?scheme=' + location.search.slice(1) + '-' + (++count) + ':' +"
    b"      (dark.matches ? 'dark' : 'light');"
    b"}"
    b"dark.addEventListener('change', report); report();</script></body></html>")

# Reads the address in ?url= with a script, titled "read:LENGTH" or "refused".
PAGES["/fetch.html"] = (
    b"<!DOCTYPE html><html><body><script>"
    b"fetch(new URLSearchParams(location.search).get('url'))"
    b"  .then(function (r) { return r.text(); })"
    b"  .then(function (t) { document.title = 'read:' + t.length; },"
    b"        function () { document.title = 'refused'; });</script></body></html>")
# What the page's requests come to after the client's request handler had its say; the page
# reports it all at once: "hooks=blocked:failed,changed:...,redirected:...,header:...".
PAGES["/hooks.html"] = (
    b"<!DOCTYPE html><html><body><script>"
    b"function text(url) { return fetch(url, {cache: 'no-store'}).then("
    b"    function (r) { return r.ok ? r.text() : 'status-' + r.status; },"
    b"    function () { return 'failed'; }); }"
    b"function image(url) { return new Promise(function (done) {"
    b"  var i = new Image(); i.onload = function () { done('loaded'); };"
    b"  i.onerror = function () { done('failed'); }; i.src = url; }); }"
    b"(async function () {"
    b"  var seen = ['blocked:' + await image('/hooks/blocked.svg'),"
    b"              'changed:' + await text('/hooks/original.txt'),"
    b"              'redirected:' + await text('/hooks/redirect'),"
    b"              'header:' + await text('/hooks/header')];"
    b"  new Image().src = '/report?hooks=' + seen.join(',');"
    b"})();</script></body></html>")
# A request the program does not answer in time goes on; then one more request (retried until it
# comes through).
PAGES["/stall.html"] = (
    b"<!DOCTYPE html><html><body><script>"
    b"function text(url) { return fetch(url, {cache: 'no-store'}).then("
    b"    function (r) { return r.text(); }, function () { return 'failed'; }); }"
    b"(async function () {"
    b"  var stalled = await text('/hooks/stall.txt'), after = 'failed', tries = 0;"
    b"  while (after === 'failed' && tries++ < 200) {"
    b"    await new Promise(function (done) { setTimeout(done, 50); });"
    b"    after = await text('/hooks/target.txt');"
    b"  }"
    b"  new Image().src = '/report?stall=' + stalled + ',after:' + after;"
    b"})();</script></body></html>")
# For the request-hook benchmark: ?run=NAME&count=N fetches /tick N times one after the other,
# then reports "ticks-done=NAME"; the server notes when each tick arrived.
PAGES["/ticks.html"] = (
    b"<!DOCTYPE html><html><body><script>"
    b"var query = new URLSearchParams(location.search), run = query.get('run');"
    b"(async function () {"
    b"  for (var i = 0; i < Number(query.get('count')); ++i)"
    b"    await fetch('/tick?run=' + run + '&i=' + i, {cache: 'no-store'});"
    b"  new Image().src = '/report?ticks-done=' + run;"
    b"})();</script></body></html>")
# A popup whose page fetches a text the client sends elsewhere.
PAGES["/hooks-opener.html"] = (
    b"<!DOCTYPE html><html><body><script>window.open('/hooks-popup.html');</script></body></html>")
PAGES["/hooks-popup.html"] = (
    b"<!DOCTYPE html><html><body><script>"
    b"fetch('/hooks/popup.txt', {cache: 'no-store'}).then(function (r) { return r.text(); },"
    b"    function () { return 'failed'; }).then(function (seen) {"
    b"  new Image().src = '/report?popup=' + seen; });</script></body></html>")
HOOK_TEXTS = {"/hooks/original.txt": b"original", "/hooks/replacement.txt": b"replacement",
              "/hooks/target.txt": b"target", "/hooks/stall.txt": b"stall",
              "/hooks/popup.txt": b"popup"}
IMAGE = (b"<svg xmlns='http://www.w3.org/2000/svg' width='4' height='4'>"
         b"<rect width='4' height='4'/></svg>")

DOWNLOAD = b"downloaded bytes\n" * 64


class QuietHandler(http.server.BaseHTTPRequestHandler):
    """Answers whole bodies and keeps the test's output free of request lines."""

    def answer(self, status, body, content_type="text/html; charset=utf-8"):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


class Handler(QuietHandler):
    def do_GET(self):
        path, _, query = self.path.partition("?")
        if path not in ("/report", "/tick"):
            with open(self.server.report_file, "a", encoding="utf-8") as reports:
                reports.write("requested " + path + "\n")
        if path == "/report":
            with open(self.server.report_file, "a", encoding="utf-8") as reports:
                reports.write(query + "\n")
            self.answer(204, b"")
        elif path == "/quit":
            self.answer(204, b"")
            threading.Thread(target=self.server.shutdown, daemon=True).start()
        elif path == "/file.bin":
            self.answer(200, DOWNLOAD, "application/octet-stream")
        elif path == "/attachment":
            self.attachment(urllib.parse.parse_qs(query))
        elif path == "/slow.html":
            time.sleep(2)  # the page is still on its way for a while
            self.answer(200, PAGES["/index.html"])
        elif path == "/tick":
            with open(self.server.report_file, "a", encoding="utf-8") as reports:
                reports.write("tick %s %d\n" % (query, time.perf_counter_ns()))
            self.answer(200, b"t", "text/plain")
        elif path in HOOK_TEXTS:
            self.answer(200, HOOK_TEXTS[path], "text/plain")
        elif path == "/hooks/blocked.svg":
            self.answer(200, IMAGE, "image/svg+xml")
        elif path == "/hooks/redirect":
            self.send_response(302)
            self.send_header("Location", "/hooks/target.txt")
            self.send_header("Content-Length", "0")
            self.end_headers()
        elif path == "/hooks/header":
            self.answer(200, self.headers.get("X-Hook", "none").encode(), "text/plain")
        elif path in PAGES:
            self.answer(200, PAGES[path])
        else:
            self.answer(404, b"<html><body>missing</body></html>")

    # For URL requests: /echo answers a POST with its body, and tells in headers what type and
    # X-Test header came with it.
    def do_POST(self):
        body = self.rfile.read(int(self.headers.get("Content-Length", "0")))
        if self.path != "/echo":
            self.answer(404, b"")
            return
        self.send_response(201)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("X-Echo-Content-Type", self.headers.get("Content-Type", ""))
        self.send_header("X-Echo-Test", self.headers.get("X-Test", ""))
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def attachment(self, query):
        """A download named by ?name=; ?cut=1 announces all of it but sends half, then closes;
        ?pause=1 sends half in pieces, waits three seconds, then sends the rest."""
        name = query.get("name", ["file.bin"])[0]
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Disposition", 'attachment; filename="%s"' % name)
        self.send_header("Content-Length", str(len(DOWNLOAD)))
        self.end_headers()
        half = len(DOWNLOAD) // 2
        pause = query.get("pause", ["0"])[0] == "1"
        # Before a pause the half comes in pieces closer together than progress is reported.
        pieces = 8 if pause else 1
        for start in range(0, half, -(-half // pieces)):
            self.wfile.write(DOWNLOAD[start:min(half, start + -(-half // pieces))])
            self.wfile.flush()
            if pause:
                time.sleep(0.02)
        if pause:
            time.sleep(3)
        if query.get("cut", ["0"])[0] != "1":
            self.wfile.write(DOWNLOAD[half:])
        self.close_connection = True


def main():
    report_file, time_limit = sys.argv[1], float(sys.argv[2])
    port = int(sys.argv[3]) if len(sys.argv) > 3 else 0
    server = http.server.ThreadingHTTPServer(("127.0.0.1", port), Handler)
    server.report_file = report_file
    print(server.server_address[1], flush=True)
    timer = threading.Timer(time_limit, server.shutdown)
    timer.daemon = True
    timer.start()
    server.serve_forever()
    server.server_close()


if __name__ == "__main__":
    main()
