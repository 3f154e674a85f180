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
