"""HTML of the demo pages. Every page reports what it sees of itself to /__demo/report on its
own origin, so tests can observe the pages from outside the client."""

import html
import json

REPORTER = """
<script>
function corvaneReport(page, extra) {
  var body = Object.assign({page: page, url: location.href, inFrame: window !== window.top}, extra || {});
  return fetch('/__demo/report', {method: 'POST', headers: {'Content-Type': 'application/json'},
                                  body: JSON.stringify(body)});
}
</script>
"""


def document(title, head_extra, body, body_style=""):
    return """<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>%s</title>%s%s</head>
<body style="%s">%s</body></html>
""" % (html.escape(title), REPORTER, head_extra, body_style, body)


def start(cookie_sent_back, iframe_url):
    frame = ""
    if iframe_url:
        frame = '<iframe id="embedded" src="%s" width="600" height="400"></iframe>' % html.escape(
            iframe_url, quote=True)
    body = """<h1>Corvane Online Invoicing</h1>
<p id="cookie-state">Cookie sent back: %s</p>%s
<script>corvaneReport('start', {cookieSentBack: %s});
%s</script>""" % ("yes" if cookie_sent_back else "no", frame, json.dumps(cookie_sent_back),
                  watch_head("start", "function () { return {}; }"))
    return document("Corvane - Start", "", body)


def signup(next_url):
    go_on = ""
    if next_url:
        go_on = "location.href = %s;" % json.dumps(next_url)
    body = """<h1>Sign up for Corvane</h1>
<form><label>E-mail <input name="email" type="email"></label>
<button type="button">Create my account</button></form>
<script>window.addEventListener('load', function () {
  corvaneReport('signup').finally(function () { %s });
});</script>""" % go_on
    return document("Corvane - Sign up", "", body, "font-family: sans-serif")


def watch_head(page, extra_state, after_change=""):
    """Script that reports the page's head as first parsed, then on load, on every change of the
    head (the client's restyling rewrites it) and once more when things have settled. Each
    report carries a per-load id, so reports of a reloaded page can be told apart."""
    return """
(function () {
  var loadId = Math.random().toString(36).slice(2);
  var initialHead = document.head.innerHTML;
  var extraState = %s;
  function report(event) {
    var state = extraState();
    state.event = event;
    state.loadId = loadId;
    state.initialHead = initialHead;
    state.head = document.head.innerHTML;
    state.bodyBackground = getComputedStyle(document.body).backgroundColor;
    return corvaneReport(%s, state);
  }
  window.addEventListener('load', function () {
    report('load');
    setTimeout(function () { report('settled'); }, 1500);
  });
  new MutationObserver(function () {
    report('changed').finally(function () { %s });
  }).observe(document.head, {childList: true, subtree: true, characterData: true});
})();
""" % (extra_state, json.dumps(page), after_change)


# The login page: a box with a top margin and a shadow on a grey page, and a footer.
LOGIN_STYLE = """<style>
body { background-color: #d0d0d0; font-family: sans-serif; margin: 0; }
#login { margin-top: 48px; box-shadow: 0 4px 12px rgba(0,0,0,0.5); background: #fff;
         width: 320px; margin-left: auto; margin-right: auto; padding: 16px; }
#footer { height: 40px; background: #333; color: #fff; }
</style>"""

LOGIN_BODY = """<div id="login"><h2>Log in</h2>
<label>E-mail <input name="email"></label><label>Password <input name="password" type="password"></label>
<button type="button">Log in</button></div>
<div id="footer">Corvane footer</div>
<script>%s</script>"""

LOGIN_STATE = """function () {
  var loginStyle = getComputedStyle(document.getElementById('login'));
  var footer = document.getElementById('footer');
  var footerRect = footer.getBoundingClientRect();
  return {loginMarginTop: loginStyle.marginTop, loginBoxShadow: loginStyle.boxShadow,
          footerVisibility: getComputedStyle(footer).visibility,
          footerWidth: footerRect.width, footerHeight: footerRect.height};
}"""


def login(reload_once=False):
    """reload_once: the page reloads itself once, right after it has seen its head change."""
    after_change = "location.reload();" if reload_once else ""
    return document("Corvane - Log in", LOGIN_STYLE,
                    LOGIN_BODY % watch_head("login", LOGIN_STATE, after_change))


def marketing_signup():
    # Reports once on load and once more later: the second report shows the page was not
    # replaced by the client's redirect.
    body = """<h1>Simple online invoicing - sign up</h1>
<script>window.addEventListener('load', function () {
  corvaneReport('marketing-signup', {event: 'load'});
  setTimeout(function () { corvaneReport('marketing-signup', {event: 'stayed'}); }, 1500);
});</script>"""
    return document("Corvane - Simple online invoicing", "", body)


def marketing_home():
    return document("Corvane", "", "<h1>Corvane</h1><p>Invoicing for small business.</p>")


def not_found(path):
    return document("Not found", "", "<h1>Not found</h1><p>%s</p>" % html.escape(path))


# Customers of the invoice list. The find tests count one name, so it occurs exactly in the
# rows listed in KESTREL_ROWS and nowhere else on the page.
CUSTOMERS = ("Amber Mills", "Birch & Sons", "Cobalt Works", "Dune Bakery", "Elm Street Garage",
             "Fjord Fisheries", "Granite Print", "Harbour Cafe", "Iris Florist", "Juniper Books")
KESTREL_ROWS = (17, 101, 188)
INVOICE_ROWS = 200

INVOICES_SCRIPT = """
function invoicesReport(event) {
  var links = {};
  document.querySelectorAll('#actions a').forEach(function (a) {
    var r = a.getBoundingClientRect();
    links[a.id] = [r.left, r.top, r.width, r.height];
  });
  corvaneReport('invoices', {event: event, innerWidth: window.innerWidth,
                             devicePixelRatio: window.devicePixelRatio, links: links});
}
window.addEventListener('load', function () { invoicesReport('load'); });
window.addEventListener('resize', function () { invoicesReport('resize'); });
"""

INVOICES_STYLE = """<style>
body { font-family: sans-serif; margin: 0; }
h1 { margin: 0; padding: 12px 16px; height: 40px; }
#actions a { display: inline-block; box-sizing: border-box; width: 320px; height: 64px;
             margin-left: 16px; padding: 20px; background: #dde; font-size: 18px; }
table { margin: 16px; border-collapse: collapse; }
td { padding: 2px 12px; }
</style>"""


def invoice_customer(row):
    if row in KESTREL_ROWS:
        return "Kestrel Logistics"
    return CUSTOMERS[row % len(CUSTOMERS)]


def invoices():
    rows = "\n".join(
        "<tr><td>INV-%04d</td><td>%s</td><td>%d.%02d EUR</td></tr>" % (
            row, html.escape(invoice_customer(row)), 40 + row * 7 % 900, row * 13 % 100)
        for row in range(1, INVOICE_ROWS + 1))
    body = """<h1>Open invoices</h1>
<div id="actions"><a id="invoice-42" href="/invoices/invoice-42.pdf">Download invoice-42.pdf</a><a
 id="broken" href="/invoices/broken.pdf">Download broken.pdf</a></div>
<table>%s</table>
<script>%s</script>""" % (rows, INVOICES_SCRIPT)
    return document("Invoices", INVOICES_STYLE, body)


def pdf_document(text):
    """A small valid one-page PDF showing text, the same bytes for the same text."""
    content = b"BT /F1 24 Tf 72 720 Td (" + text.encode("latin-1") + b") Tj ET"
    objects = [
        b"<< /Type /Catalog /Pages 2 0 R >>",
        b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R"
        b" /Resources << /Font << /F1 5 0 R >> >> >>",
        b"<< /Length %d >>\nstream\n%s\nendstream" % (len(content), content),
        b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
    ]
    out = bytearray(b"%PDF-1.4\n")
    offsets = []
    for number, body in enumerate(objects, start=1):
        offsets.append(len(out))
        out += b"%d 0 obj\n%s\nendobj\n" % (number, body)
    xref = len(out)
    out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
    out += b"".join(b"%010d 00000 n \n" % offset for offset in offsets)
    out += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (
        len(objects) + 1, xref)
    return bytes(out)


INVOICE_42_PDF = pdf_document("Invoice 42 - Corvane Online Invoicing")
