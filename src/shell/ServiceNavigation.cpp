#include "ServiceNavigation.h"

#include <gtk/gtk.h>

#include <memory>

#include "GuardedCall.h"
#include "StderrReport.h"

const std::u16string_view WebAppOrigin = u"" CORVANE_WEBAPP_ORIGIN;
const std::u16string_view MarketingOrigin = u"" CORVANE_MARKETING_ORIGIN;

const std::u16string_view LoginRestyleScript =
    u"var headTag = document.getElementsByTagName(\"head\")[0].innerHTML;"
    u"var newCSS = headTag + '<style type=\"text/css\">#login {margin-top:0; box-shadow:none;} "
    u"body {background-color:#FFF;}</style>';"
    u"document.getElementsByTagName('head')[0].innerHTML += newCSS;"
    u"document.getElementById('footer').style.visibility=\"hidden\";";

namespace {

ustring Join(std::u16string_view origin, std::u16string_view path) {
  ustring url(origin);
  url += path;
  return url;
}

std::u16string LowerAscii(std::u16string_view text) {
  std::u16string lower(text);
  for (char16_t& c : lower)
    if (c >= u'A' && c <= u'Z') c = char16_t(c - u'A' + u'a');
  return lower;
}

// host[:port] of an address in lower case, without any user name.
std::u16string SiteOf(std::u16string_view url) {
  const size_t schemeEnd = url.find(u"://");
  std::u16string_view authority = url.substr(schemeEnd == url.npos ? 0 : schemeEnd + 3);
  authority = authority.substr(0, authority.find_first_of(u"/?#"));
  return LowerAscii(authority.substr(authority.rfind(u'@') + 1));  // npos + 1 is 0
}

// scheme://host[:port] of an http or https address in lower case; empty for every other address.
std::u16string WebOriginOf(std::u16string_view url) {
  const size_t schemeEnd = url.find(u"://");
  if (schemeEnd == url.npos) return {};
  const std::u16string scheme = LowerAscii(url.substr(0, schemeEnd));
  const std::u16string site = SiteOf(url);
  if ((scheme != u"http" && scheme != u"https") || site.empty()) return {};
  return scheme + u"://" + site;
}

}  // namespace

ustring WebAppSignupUrl() {
  return Join(WebAppOrigin, u"/signup.php");
}

ustring LoginPageUrl() {
  return Join(WebAppOrigin, u"/login.php");
}

bool IsMarketingSignupUrl(const ustring& url) {
  return url == Join(MarketingOrigin, u"/signup-simple-online-invoicing");
}

bool IsLoginPageUrl(const ustring& url) {
  return url == LoginPageUrl();
}

bool IsOtherSiteUrl(const ustring& url) {
  const std::u16string origin = WebOriginOf(url);
  return !origin.empty() && origin != LowerAscii(WebAppOrigin) &&
         origin != LowerAscii(MarketingOrigin);
}

bool LeavesForBrowser(const ustring& url, int32_t how) {
  const bool userStarted = (how & CORVANE_NAVIGATION_USER_GESTURE) &&
                           !(how & CORVANE_NAVIGATION_REDIRECT) &&
                           (how & (CORVANE_NAVIGATION_LINK | CORVANE_NAVIGATION_NEW_WINDOW));
  return userStarted && IsOtherSiteUrl(url);
}

// The runtime may hold the handler longer than the bar lives.
class TLeavingLinks::THandler : public TCefNavigationHandlerOwn {
 public:
  explicit THandler(TLeavingLinks* bar) : FBar(bar) {}
  void Detach() { FBar = nullptr; }

  bool on_before_navigation(const TRef<ICefBrowser>& browser, const ustring& url,
                            int32_t how) override {
    return FBar && FBar->NavigationRequested(browser, url, how);
  }

 private:
  TLeavingLinks* FBar;
};

// Holds the bar's cancellable: once that is cancelled the bar may be gone.
struct TLeavingLinks::TLaunch {
  TLeavingLinks* Bar;
  std::string Url;
  GCancellable* BarGone;
  ~TLaunch() { g_object_unref(BarGone); }
};

TLeavingLinks::TLeavingLinks(TComponent* AOwner)
    : TInfoBar(AOwner), FLaunches(g_cancellable_new()) {}

TLeavingLinks::~TLeavingLinks() {
  g_cancellable_cancel(FLaunches);
  g_object_unref(FLaunches);
  if (!FHandler) return;
  FHandler->Detach();
  SetNavigationHandler(nullptr);
}

void TLeavingLinks::SetBrowserControl(TChromium* chromium) {
  FChromium = chromium;
  FChromium->FreeNotification(this);
}

void TLeavingLinks::Notification(TComponent* AComponent) {
  TInfoBar::Notification(AComponent);
  if (AComponent == FChromium) FChromium = nullptr;
}

void TLeavingLinks::Start() {
  if (FHandler) return;
  FHandler = MakeRef<THandler>(this);
  SetNavigationHandler(FHandler);
}

bool TLeavingLinks::IsOwnBrowser(const TRef<ICefBrowser>& browser) const {
  const TRef<ICefBrowser> own = FChromium ? FChromium->Browser() : nullptr;
  return browser && own && browser->get_identifier() == own->get_identifier();
}

bool TLeavingLinks::NavigationRequested(const TRef<ICefBrowser>& browser, const ustring& url,
                                        int32_t how) {
  if (!IsOwnBrowser(browser) || !LeavesForBrowser(url, how)) return false;
  OpenInBrowser(Utf16ToUtf8(url));
  return true;
}

// Launched without waiting, so the page never waits for the desktop. Not gtk_show_uri_on_window:
// given a window, it answers success even when no program can open the address.
void TLeavingLinks::OpenInBrowser(const std::string& url) {
  g_autoptr(GdkAppLaunchContext) context =
      gdk_display_get_app_launch_context(gdk_display_get_default());
  gdk_app_launch_context_set_timestamp(context, GDK_CURRENT_TIME);
  g_app_info_launch_default_for_uri_async(
      url.c_str(), G_APP_LAUNCH_CONTEXT(context), FLaunches, OnLaunched,
      new TLaunch{this, url, G_CANCELLABLE(g_object_ref(FLaunches))});
}

void TLeavingLinks::OnLaunched(GObject*, GAsyncResult* result, gpointer data) {
  std::unique_ptr<TLaunch> launch(static_cast<TLaunch*>(data));
  CallGuarded(nullptr, [&] {
    g_autoptr(GError) error = nullptr;
    const bool launched = g_app_info_launch_default_for_uri_finish(result, &error);
    if (!g_cancellable_is_cancelled(launch->BarGone)) {
      if (launched)
        launch->Bar->SetVisible(false);
      else
        launch->Bar->CannotOpen(launch->Url, *error);
    }
  });
}

// Never a dialog: a desktop without a browser gets one sentence on the bar.
void TLeavingLinks::CannotOpen(const std::string& url, const GError& error) {
  ReportOnStderr("cannot open %s: %s", url.c_str(), error.message);
  SetMessage("No web browser is set up on this computer to open " +
             Utf16ToUtf8(SiteOf(Utf8ToUtf16(url))) + ".");
  SetButtons({});
  SetVisible(true);
}
