#!/usr/bin/env python3
"""Loopback servers for the runtime's dialog, login and certificate tests.

Usage: runtime_dialogs_server.py REPORT_FILE TIME_LIMIT [PORT]

Prints the HTTP port on the first line, like runtime_test_server.py. Also serves HTTPS with a
self-signed certificate made at start and writes "tls-port N" to the report file. Every /report
query, every requested path and every TLS connection attempt is appended to the report file.
"""
import base64
import http.server
import os
import ssl
import subprocess
import sys
import tempfile
import threading

from runtime_test_server import QuietHandler

LOGIN = "Basic " + base64.b64encode(b"ann:s3cret").decode()


def report(server, line):
    with open(server.report_file, "a", encoding="utf-8") as reports:
        reports.write(line + "\n")


class Handler(QuietHandler):
    def do_GET(self):
        path, _, query = self.path.partition("?")
        if path == "/report":
            report(self.server, query)
            return self.answer(204, b"")
        report(self.server, "requested " + path)
        if path == "/page.html":
            self.answer(200, b"<!DOCTYPE html><title>Dialogs</title><p>dialog page</p>")
        elif path == "/unsaved.html":
            self.answer(200, b"<!DOCTYPE html><title>Unsaved</title><p>unsaved work</p><script>"
                        b"addEventListener('beforeunload', function (e) { e.preventDefault();"
                        b" e.returnValue = 'unsaved'; });"
                        b"addEventListener('mousedown', function () {"
                        b" new Image().src = '/report?clicked'; });</script>")
        elif path == "/protected":
            self.protected()
        elif path == "/secret.html":
            self.answer(200, b"<!DOCTYPE html><title>Secret</title><p>secret content</p><script>"
                        b"new Image().src='http://127.0.0.1:%d/report?tls-content-ran'</script>"
                        % self.server.http_port)
        elif path == "/secret.js":
            self.answer(200, b"new Image().src='/report?tls-script-ran';",
                        "text/javascript")
        elif path == "/with-tls-script.html":
            self.answer(200, b"<!DOCTYPE html><title>Mixed</title><script "
                        b"src='https://127.0.0.1:%d/secret.js' onerror=\"new Image().src="
                        b"'/report?subresource-refused'\"></script>" % self.server.tls_port)
        else:
            self.answer(404, b"<html><body>missing</body></html>")

    def protected(self):
        if self.headers.get("Authorization") == LOGIN:
            report(self.server, "authorized")
            return self.answer(200, b"<!DOCTYPE html><title>Invoices</title><p>welcome ann</p>")
        self.send_response(401)
        self.send_header("WWW-Authenticate", 'Basic realm="Invoices <b>of 2024</b>"')
        body = b"<!DOCTYPE html><title>Refused</title><p>login refused</p>"
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)


class TlsServer(http.server.ThreadingHTTPServer):
    """Counts connection attempts, whether or not the client accepts the certificate."""

    def get_request(self):
        sock, address = self.socket.accept()
        report(self, "tls-connection")
        return self.context.wrap_socket(sock, server_side=True), address

    def handle_error(self, request, client_address):
        pass


def self_signed_context(folder):
    cert, key = os.path.join(folder, "cert.pem"), os.path.join(folder, "key.pem")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1",
                    "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1",
                    "-keyout", key, "-out", cert], check=True, capture_output=True)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    return context


def main():
    report_file, time_limit = sys.argv[1], float(sys.argv[2])
    port = int(sys.argv[3]) if len(sys.argv) > 3 else 0
    plain = http.server.ThreadingHTTPServer(("127.0.0.1", port), Handler)
    secure = TlsServer(("127.0.0.1", 0), Handler)
    with tempfile.TemporaryDirectory() as folder:
        secure.context = self_signed_context(folder)
    for server in (plain, secure):
        server.report_file = report_file
        server.http_port = plain.server_address[1]
        server.tls_port = secure.server_address[1]
    threading.Thread(target=secure.serve_forever, daemon=True).start()
    report(plain, "tls-port %d" % secure.server_address[1])
    print(plain.server_address[1], flush=True)
    for server in (plain, secure):
        timer = threading.Timer(time_limit, server.shutdown)
        timer.daemon = True
        timer.start()
    plain.serve_forever()


if __name__ == "__main__":
    main()
