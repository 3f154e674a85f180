#pragma once

#include <gio/gio.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "InfoBar.h"
#include "ceflib.h"
#include "cefvcl.h"
#include "ustring.h"

// The invoicing service as the client steers it. The origins are build settings: scheme and
// host without a trailing slash, spelled exactly as the service reports its addresses, since
// every comparison here is exact.
extern const std::u16string_view WebAppOrigin;
extern const std::u16string_view MarketingOrigin;

// Makes the login box sit flush on a white page without the footer (which keeps its space).
extern const std::u16string_view LoginRestyleScript;

ustring WebAppSignupUrl();
ustring LoginPageUrl();

// Whole-string, case-sensitive comparisons: a trailing slash, query or fragment is another page.
bool IsMarketingSignupUrl(const ustring& url);
bool IsLoginPageUrl(const ustring& url);

// Whether url is a web page (http or https) of an origin that is not the service's.
bool IsOtherSiteUrl(const ustring& url);
// Whether a navigation to url that came about as how says (CORVANE_NAVIGATION_* bits) belongs
// in the desktop's browser: the user followed a link, or opened a new window, to another site.
// Redirects, form posts and script navigations stay: sign-in and payment flows pass through
// other sites and come back.
bool LeavesForBrowser(const ustring& url, int32_t how);

// The main window's bar for links that leave the service: the user's links to other sites open
// in the desktop's default browser and the page stays where it is; when the desktop has no
// browser for them, the bar says so in one sentence.
class TLeavingLinks : public TInfoBar {
 public:
  explicit TLeavingLinks(TComponent* AOwner);

  // Only navigations of this control's browser may leave; popups keep theirs.
  void SetBrowserControl(TChromium* chromium);
  // Takes the runtime's navigations; once the runtime runs.
  void Start();

  // What the runtime's navigation handler hears; true when the page stays where it is.
  bool NavigationRequested(const TRef<ICefBrowser>& browser, const ustring& url, int32_t how);

 protected:
  ~TLeavingLinks() override;
  void Notification(TComponent* AComponent) override;

 private:
  class THandler;

  struct TLaunch;

  bool IsOwnBrowser(const TRef<ICefBrowser>& browser) const;
  void OpenInBrowser(const std::string& url);
  void CannotOpen(const std::string& url, const GError& error);
  static void OnLaunched(GObject*, GAsyncResult* result, gpointer launch);

  TChromium* FChromium = nullptr;
  TRef<THandler> FHandler;
  // Launches still under way end quietly when the bar goes.
  GCancellable* FLaunches;
};
