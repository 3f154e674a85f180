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
// Where each element with an id sits in the window, so a test can click it.
function corvaneLayout() {
  var elements = {};
  document.querySelectorAll('[id]').forEach(function (e) {
    var r = e.getBoundingClientRect();
    elements[e.id] = [r.left, r.top, r.width, r.height];
  });
  return elements;
}
function corvaneReportOnLoad(page, extra) {
  window.addEventListener('load', function () {
    corvaneReport(page, Object.assign({event: 'load', elements: corvaneLayout()}, extra || {}));
  });
}
</script>
"""


def document(title, head_extra, body, body_style=""):
    return """<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>%s</title>%s%s</head>
<body style="%s">%s</body></html>
""" % (html.escape(title), REPORTER, head_extra, body_style, body)


NAV_STYLE = """<style>
body { font-family: sans-serif; margin: 0; }
nav { padding: 8px 16px; background: #e8e8f0; }
nav a { margin-right: 16px; }
main { padding: 0 16px 16px; }
label { display: block; margin: 8px 0; }
.error { color: #b00; }
</style>"""


def nav():
    return """<nav><a id="nav-dashboard" href="/">Dashboard</a><a id="nav-invoices" href="/invoices"
>Invoices</a><a id="nav-new" href="/invoices/new">New invoice</a><a id="nav-settings"
 href="/settings">Settings</a></nav>"""


def start(cookie_sent_back, iframe_url, user, marketing_origin):
    """The start page: a dashboard for a logged-in user, else a way to the login."""
    frame = ""
    if iframe_url:
        frame = '<iframe id="embedded" src="%s" width="600" height="400"></iframe>' % html.escape(
            iframe_url, quote=True)
    if user:
        content = dashboard(user, marketing_origin)
    else:
        content = '<p><a id="login-link" href="/login.php">Log in</a> to see your invoices.</p>'
    logged_in = json.dumps(bool(user))
    state = "function () { return {loggedIn: %s, elements: corvaneLayout()}; }" % logged_in
    body = """<h1>Corvane Online Invoicing</h1>
<p id="cookie-state">Cookie sent back: %s</p>%s%s
<script>corvaneReport('start', {cookieSentBack: %s, loggedIn: %s, elements: corvaneLayout()});
%s</script>""" % ("yes" if cookie_sent_back else "no", content, frame, json.dumps(cookie_sent_back),
                  logged_in, watch_head("start", state))
    return document("Corvane - Start", "", body)


PAYMENT_SCRIPT = """
function checkPayments() {
  Notification.requestPermission().then(function (permission) {
    corvaneReport('dashboard', {event: 'permission', permission: permission});
    if (permission !== 'granted') return;
    var note = new Notification('Payment received', {body: 'INV-0042 was paid: 150.00 EUR'});
    note.onshow = function () { corvaneReport('dashboard', {event: 'notification-shown'}); };
    note.onclick = function () { corvaneReport('dashboard', {event: 'notification-clicked'}); };
  });
}
"""


def dashboard(user, marketing_origin):
    return """<p id="welcome">Logged in as %s</p>
<ul id="dashboard">
<li><a id="invoices-link" href="/invoices">Invoices</a></li>
<li><a id="new-invoice-link" href="/invoices/new">New invoice</a></li>
<li><a id="settings-link" href="/settings">Settings</a></li>
<li><a id="marketing-link" href="%s/">Corvane website</a></li>
<li><button id="payments" type="button" onclick="checkPayments()">Check for payments</button></li>
<li><a id="stop-link" href="/stop-service">Stop the service for 30 seconds</a></li>
<li><a id="logout-link" href="/logout">Log out</a></li>
</ul><script>%s</script>""" % (html.escape(user), html.escape(marketing_origin, quote=True),
                               PAYMENT_SCRIPT)


def signup(next_url, error=""):
    go_on = ""
    if next_url:
        go_on = "location.href = %s;" % json.dumps(next_url)
    body = """<h1>Sign up for Corvane</h1>%s
<form id="signup-form" method="post" action="/signup.php"><label>E-mail <input id="email"
 name="email" type="email"></label>
<button id="create" type="submit">Create my account</button></form>
<p>Already have an account? <a id="login-link" href="/login.php">Log in</a></p>
<script>window.addEventListener('load', function () {
  corvaneReport('signup', {event: 'load', elements: corvaneLayout()}).finally(function () { %s });
});</script>""" % (error_line(error), go_on)
    return document("Corvane - Sign up", "", body, "font-family: sans-serif")


def account_created(email):
    body = """<h1>Account created for %s</h1>
<p><a id="login-link" href="/login.php">Log in</a> with your new account.</p>
<script>corvaneReportOnLoad('account-created', {email: %s});</script>""" % (
        html.escape(email), json.dumps(email))
    return document("Corvane - Account created", "", body, "font-family: sans-serif")


def error_line(error):
    return '<p class="error" id="error">%s</p>' % html.escape(error) if error else ""


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

LOGIN_BODY = """<div id="login"><h2>Log in</h2>%s
<form id="login-form" method="post" action="/login.php">
<label>E-mail <input id="email" name="email"></label><label>Password <input id="password"
 name="password" type="password"></label>
<button id="submit" type="submit">Log in</button></form></div>
<div id="footer">Corvane footer</div>
<script>%s</script>"""

LOGIN_STATE = """function () {
  var loginStyle = getComputedStyle(document.getElementById('login'));
  var footer = document.getElementById('footer');
  var footerRect = footer.getBoundingClientRect();
  return {loginMarginTop: loginStyle.marginTop, loginBoxShadow: loginStyle.boxShadow,
          footerVisibility: getComputedStyle(footer).visibility,
          footerWidth: footerRect.width, footerHeight: footerRect.height,
          elements: corvaneLayout()};
}"""


def login(reload_once=False, error=""):
    """reload_once: the page reloads itself once, right after it has seen its head change."""
    after_change = "location.reload();" if reload_once else ""
    return document("Corvane - Log in", LOGIN_STYLE,
                    LOGIN_BODY % (error_line(error),
                                  watch_head("login", LOGIN_STATE, after_change)))


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
    body = """<h1>Corvane</h1><p>Invoicing for small business.</p>
<p><a id="signup-link" href="/signup-simple-online-invoicing">Sign up</a></p>
<script>corvaneReportOnLoad('marketing-home');</script>"""
    return document("Corvane", "", body, "font-family: sans-serif")


def links(other_origin, marketing_origin):
    """Ways out of the web application and back: a link to a partner site, one into a new
    window, a window the page opens, a payment form posted through the partner site and a
    round trip redirected through it (both come back here), and the website's sign-up link."""
    other = html.escape(other_origin, quote=True)
    body = """%s<main><h1>Links</h1>
<ul>
<li><a id="other-link" href="%s/">Partner site</a></li>
<li><a id="other-window-link" href="%s/window" target="_blank">Partner site in a new window</a></li>
<li><button id="other-open" type="button" onclick="openPartner()">Open the partner site</button></li>
<li><a id="round-trip-link" href="/through-partner">Round trip through the partner site</a></li>
<li><a id="marketing-signup-link" href="%s/signup-simple-online-invoicing">Sign up on the
 website</a></li>
<li><a id="next-link" href="/links?step=2">Next step</a></li>
<li><button id="still-here" type="button" onclick="corvaneReport('links', {event: 'still-here'})"
>Still here?</button></li>
</ul>
<form id="pay-form" method="post" action="%s/pay"><input type="hidden" name="amount" value="150.00">
<button id="pay" type="submit">Pay through the partner site</button></form></main>
<script>
function openPartner() { window.open(%s + '/opened'); }
// Also when the page comes back from the history without being loaded again.
window.addEventListener('pageshow', function (event) {
  corvaneReport('links', {event: 'show', persisted: event.persisted, elements: corvaneLayout()});
});
</script>""" % (nav(), other, other, html.escape(marketing_origin, quote=True), other,
                 json.dumps(other_origin))
    return document("Corvane - Links", NAV_STYLE, body)


def partner_site():
    body = """<h1>Partner site</h1><p>Somewhere else on the web.</p>
<script>corvaneReportOnLoad('partner');</script>"""
    return document("Partner site", "", body, "font-family: sans-serif")


def service_stopping(seconds):
    """Shown as the service goes away; it tries the dashboard again a moment later, which
    shows the client's own offline page until the service is back."""
    body = """<h1>The service stops for %d seconds</h1>
<script>setTimeout(function () { location.href = '/'; }, 1000);</script>""" % seconds
    return document("Corvane - Stopping", "", body, "font-family: sans-serif")


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
                             devicePixelRatio: window.devicePixelRatio, links: links,
                             elements: corvaneLayout(), hasFocus: document.hasFocus()});
}
window.addEventListener('load', function () { invoicesReport('load'); });
window.addEventListener('resize', function () { invoicesReport('resize'); });
// Keys pressed before the page has the keyboard go elsewhere: tests wait for this.
window.addEventListener('focus', function () { invoicesReport('focus'); });
"""

INVOICES_STYLE = """<style>
body { font-family: sans-serif; margin: 0; }
nav { padding: 8px 16px; background: #e8e8f0; }
nav a { margin-right: 16px; }
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


def sample_invoice(row):
    """The row-th invoice of the list the service starts with; amounts are in cents."""
    cents = (40 + row * 7 % 900) * 100 + row * 13 % 100
    return {"number": "INV-%04d" % row, "customer": invoice_customer(row), "email": "",
            "reference": "", "currency": "EUR", "notes": "",
            "lines": [("Bookkeeping services", 1, cents)]}


def invoice_total(invoice):
    return sum(quantity * cents for _, quantity, cents in invoice["lines"])


def money(cents, currency):
    return "%d.%02d %s" % (cents // 100, cents % 100, currency)


def invoice_row(invoice):
    number = html.escape(invoice["number"])
    return '<tr><td><a id="%s" href="/invoices/%s">%s</a></td><td>%s</td><td>%s</td></tr>' % (
        number, number, number, html.escape(invoice["customer"]),
        money(invoice_total(invoice), html.escape(invoice["currency"])))


def invoices(listed):
    rows = "\n".join(invoice_row(invoice) for invoice in listed)
    body = """%s<h1>Open invoices</h1>
<div id="actions"><a id="invoice-42" href="/invoices/invoice-42.pdf">Download invoice-42.pdf</a><a
 id="broken" href="/invoices/broken.pdf">Download broken.pdf</a></div>
<table>%s</table>
<script>%s</script>""" % (nav(), rows, INVOICES_SCRIPT)
    return document("Invoices", INVOICES_STYLE, body)


INVOICE_SCRIPT = """
function deleteInvoice(number) {
  var confirmed = confirm('Delete invoice ' + number + '?');
  corvaneReport('invoice', {event: 'delete', number: number, confirmed: confirmed}).finally(
    function () {
      if (!confirmed) return;
      fetch(location.pathname + '/delete', {method: 'POST'}).then(function () {
        location.href = '/invoices';
      });
    });
}
"""


def invoice_page(invoice):
    number = html.escape(invoice["number"])
    currency = html.escape(invoice["currency"])
    lines = "\n".join("<tr><td>%s</td><td>%d</td><td>%s</td></tr>" % (
        html.escape(text), quantity, money(cents, currency))
        for text, quantity, cents in invoice["lines"])
    body = """%s<main><h1 id="number">%s</h1>
<p id="customer">%s</p>
<table id="lines"><tr><th>Item</th><th>Quantity</th><th>Price</th></tr>%s</table>
<p id="total">Total: %s</p>
<p><a id="download" href="/invoices/%s.pdf">Download PDF</a>
<button id="print" type="button" onclick="window.print()">Print</button>
<button id="delete" type="button" onclick="deleteInvoice(%s)">Delete</button></p></main>
<script>%s corvaneReportOnLoad('invoice', {number: %s});</script>""" % (
        nav(), number, html.escape(invoice["customer"]), lines,
        money(invoice_total(invoice), currency), number, html.escape(json.dumps(invoice["number"])),
        INVOICE_SCRIPT, json.dumps(invoice["number"]))
    return document("Invoice " + invoice["number"], NAV_STYLE, body)


def invoice_pdf(invoice):
    return pdf_document("Invoice %s - %s - %s" % (
        invoice["number"], invoice["customer"],
        money(invoice_total(invoice), invoice["currency"])))


CURRENCIES = ("EUR", "USD", "GBP", "CHF")
NEW_INVOICE_FIELDS = (("customer", "Customer", "text"), ("email", "Customer e-mail", "email"),
                      ("reference", "Order reference", "text"), ("amount", "Amount", "text"),
                      ("approval", "Approval code", "password"))


def new_invoice(values=None, error=""):
    values = values or {}
    fields = "\n".join(
        '<label>%s <input id="%s" name="%s" type="%s" value="%s"></label>' % (
            label, name, name, kind, html.escape(values.get(name, "") if kind != "password" else "",
                                                 quote=True))
        for name, label, kind in NEW_INVOICE_FIELDS)
    options = "".join('<option%s>%s</option>' % (
        " selected" if values.get("currency") == currency else "", currency)
        for currency in CURRENCIES)
    body = """%s<main><h1>New invoice</h1>%s
<form id="invoice-form" method="post" action="/invoices/new">%s
<label>Currency <select id="currency" name="currency">%s</select></label>
<label>Notes <textarea id="notes" name="notes" rows="4" cols="40">%s</textarea></label>
<button id="save" type="submit">Save</button></form></main>
<script>
// What each field holds now, on load and then every second, so a test sees typed text come back.
function corvaneFieldValues() {
  var values = {};
  document.querySelectorAll('#invoice-form [name]').forEach(function (e) { values[e.name] = e.value; });
  return values;
}
function corvaneReportFields(event) {
  corvaneReport('new-invoice', {event: event, elements: corvaneLayout(), values: corvaneFieldValues()});
}
window.addEventListener('load', function () {
  corvaneReportFields('load');
  setInterval(function () { corvaneReportFields('fields'); }, 1000);
});
</script>""" % (
        nav(), error_line(error), fields, options, html.escape(values.get("notes", "")))
    return document("Corvane - New invoice", NAV_STYLE, body)


def settings(company, logo):
    shown = "No logo yet."
    if logo:
        shown = "Logo: %s (%d bytes)" % (html.escape(logo["filename"]), logo["size"])
    body = """%s<main><h1>Settings</h1>
<form id="settings-form" method="post" action="/settings" enctype="multipart/form-data">
<label>Company name <input id="company" name="company" value="%s"></label>
<label>Logo <input id="logo" name="logo" type="file" accept=".png,.jpg,image/png,image/jpeg">
</label><p id="logo-state">%s</p>
<button id="save" type="submit">Save</button></form></main>
<script>corvaneReportOnLoad('settings');</script>""" % (
        nav(), html.escape(company, quote=True), shown)
    return document("Corvane - Settings", NAV_STYLE, body)


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
