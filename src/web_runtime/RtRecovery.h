#pragma once

#include <webkit2/webkit2.h>

#include <string>
#include <utility>

// The name a user knows a service by: the address's host, or the address itself.
std::string HostOf(const std::string& url);

// Keeps a view useful when its page cannot be shown: a failed load gets our own page and is
// retried with backoff and whenever the network comes back; a page whose web process died
// is reloaded once, and a second death within a minute gets our page with a Reload button.
class TPageRecovery {
 public:
  explicit TPageRecovery(WebKitWebView* view);
  ~TPageRecovery();
  TPageRecovery(const TPageRecovery&) = delete;
  TPageRecovery& operator=(const TPageRecovery&) = delete;

  // A main-frame load of url failed; answers false when url was already being retried, so
  // the client hears of each outage once.
  bool LoadFailed(const std::string& url);
  // Our page stands in for the failed load, which is retried.
  void StandIn(const std::string& url);
  // A page of the web committed: nothing left to retry.
  void PageArrived();
  // The server's certificate was refused: our page, and no retry, as only the server can mend it.
  void CertificateRefused(const std::string& url);
  // The client asked for a page: our page and the retry give way to it.
  void ClientNavigates();
  // The web process died unasked.
  void ProcessCrashed();
  // True once for the load that shows our own page.
  bool TakeOwnPageLoad() { return std::exchange(FOwnPagePending, false); }

 private:
  void ShowOwnPage(const std::string& html, const std::string& url);
  void ScheduleRetry();
  void RetryNow();
  void CancelRetry();
  static gboolean OnRetryTimer(gpointer self);
  static void OnNetworkChanged(GNetworkMonitor*, gboolean available, gpointer self);

  WebKitWebView* FView;
  std::string FFailedUrl;  // empty: no retry pending
  guint FRetryTimer = 0;
  guint FRetryDelaySeconds = 0;
  gint64 FLastCrashReload = 0;  // monotonic microseconds, 0: none yet
  bool FOwnPagePending = false;
};
