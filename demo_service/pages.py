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
<script>corvaneReport('start', {cookieSentBack: %s});</script>""" % (
        "yes" if cookie_sent_back else "no", frame, json.dumps(cookie_sent_back))
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


# The login page watches its own head: the client's restyling rewrites it after the page has
# loaded, and every change is reported with the styles it produced.
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
<script>
function loginState() {
  var login = document.getElementById('login');
  var footer = document.getElementById('footer');
  var loginStyle = getComputedStyle(login);
  var footerRect = footer.getBoundingClientRect();
  return {head: document.head.innerHTML,
          loginMarginTop: loginStyle.marginTop, loginBoxShadow: loginStyle.boxShadow,
          bodyBackground: getComputedStyle(document.body).backgroundColor,
          footerVisibility: getComputedStyle(footer).visibility,
          footerWidth: footerRect.width, footerHeight: footerRect.height};
}
window.addEventListener('load', function () {
  var state = loginState();
  state.event = 'load';
  corvaneReport('login', state);
  new MutationObserver(function () {
    var changed = loginState();
    changed.event = 'changed';
    corvaneReport('login', changed);
  }).observe(document.head, {childList: true, subtree: true, characterData: true});
});
</script>"""


def login():
    return document("Corvane - Log in", LOGIN_STYLE, LOGIN_BODY)


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
