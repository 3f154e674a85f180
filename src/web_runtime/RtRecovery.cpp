#include "RtRecovery.h"

#include <algorithm>

#include "RtGuard.h"
#include "RtText.h"

namespace {

constexpr guint kFirstRetrySeconds = 5;
constexpr guint kLongestRetrySeconds = 60;
// A page that dies again this soon after its reload would only die in a loop.
constexpr gint64 kCrashLoopMicroseconds = 60 * G_USEC_PER_SEC;

constexpr char kProductName[] = "Corvane";

std::string Escaped(const std::string& text) {
  g_autofree gchar* escaped = g_markup_escape_text(text.c_str(), -1);
  return escaped;
}

std::string OwnPage(const std::string& heading, const std::string& sentence,
                    const std::string& button) {
  return "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><style>"
         ":root{color-scheme:light dark}"
         "body{font-family:sans-serif;margin:15% 10%;color:#333;background:#fafafa}"
         "@media(prefers-color-scheme:dark){body{color:#ddd;background:#242424}}"
         "h1{font-size:1.5em;font-weight:normal}button{font-size:1em;padding:.4em 1.2em}"
         "</style></head><body><h1>" +
         Escaped(heading) + "</h1><p>" + Escaped(sentence) +
         "</p><button onclick=\"location.reload()\">" + Escaped(button) + "</button></body></html>";
}

std::string UnreachablePage(const std::string& url) {
  const std::string host = HostOf(url);
  return OwnPage(host,
                 std::string(kProductName) + " cannot reach " + host + ". Check your connection.",
                 "Retry");
}

// No way past the refusal: a page whose certificate is refused may not be who it claims to be.
std::string CertificatePage(const std::string& url) {
  const std::string host = HostOf(url);
  return OwnPage(host,
                 std::string(kProductName) + " did not open " + host +
                     " because its security certificate is not valid, so the connection is not "
                     "private.",
                 "Try again");
}

std::string CrashedPage(const std::string& url) {
  return OwnPage(HostOf(url), "This page stopped working twice in a row.", "Reload");
}

}  // namespace

std::string HostOf(const std::string& url) {
  g_autoptr(GUri) uri = g_uri_parse(url.c_str(), G_URI_FLAGS_NONE, nullptr);
  std::string host = uri ? TextOrEmpty(g_uri_get_host(uri)) : std::string();
  return host.empty() ? url : host;
}

TPageRecovery::TPageRecovery(WebKitWebView* view) : FView(view) {
  g_signal_connect(g_network_monitor_get_default(), "network-changed", G_CALLBACK(OnNetworkChanged),
                   this);
}

TPageRecovery::~TPageRecovery() {
  CancelRetry();
  g_signal_handlers_disconnect_by_data(g_network_monitor_get_default(), this);
}

bool TPageRecovery::LoadFailed(const std::string& url) {
  const bool news = url != FFailedUrl;
  if (news) {
    FFailedUrl = url;
    FRetryDelaySeconds = kFirstRetrySeconds;
  }
  return news;
}

void TPageRecovery::StandIn(const std::string& url) {
  ShowOwnPage(UnreachablePage(url), url);
  ScheduleRetry();
}

void TPageRecovery::PageArrived() {
  FFailedUrl.clear();
  CancelRetry();
}

// Left pending, our page's mark would fall on the client's load, which then never counted.
void TPageRecovery::ClientNavigates() {
  PageArrived();
  FOwnPagePending = false;
}

void TPageRecovery::CertificateRefused(const std::string& url) {
  PageArrived();
  ShowOwnPage(CertificatePage(url), url);
}

void TPageRecovery::ProcessCrashed() {
  // An own page still to load went with the process; left pending, it would make the next
  // load of the service count as ours, and the page would never arrive.
  FOwnPagePending = false;
  // Our offline page died: asking for the address now is the retry.
  if (!FFailedUrl.empty()) {
    RetryNow();
    return;
  }
  const gint64 now = g_get_monotonic_time();
  const bool crashLoop = FLastCrashReload && now - FLastCrashReload < kCrashLoopMicroseconds;
  const std::string url = TextOrEmpty(webkit_web_view_get_uri(FView));
  if (crashLoop) {
    ShowOwnPage(CrashedPage(url), url);
    return;
  }
  FLastCrashReload = now;
  // Before the first page arrived there is nothing to reload: the address is asked for again.
  WebKitBackForwardList* history = webkit_web_view_get_back_forward_list(FView);
  if (webkit_back_forward_list_get_current_item(history) || url.empty())
    webkit_web_view_reload(FView);
  else
    webkit_web_view_load_uri(FView, url.c_str());
}

// The back/forward list keeps url, so a reload from our page asks for it again.
void TPageRecovery::ShowOwnPage(const std::string& html, const std::string& url) {
  FOwnPagePending = true;
  webkit_web_view_load_alternate_html(FView, html.c_str(), url.c_str(), nullptr);
}

void TPageRecovery::ScheduleRetry() {
  CancelRetry();
  FRetryTimer = g_timeout_add_seconds(FRetryDelaySeconds, OnRetryTimer, this);
  FRetryDelaySeconds = std::min(FRetryDelaySeconds * 2, kLongestRetrySeconds);
}

void TPageRecovery::RetryNow() {
  CancelRetry();
  if (!FFailedUrl.empty()) webkit_web_view_load_uri(FView, FFailedUrl.c_str());
}

void TPageRecovery::CancelRetry() {
  if (FRetryTimer) g_source_remove(std::exchange(FRetryTimer, 0));
}

gboolean TPageRecovery::OnRetryTimer(gpointer self) {
  Guarded("retry timer", [&] {
    auto& recovery = *static_cast<TPageRecovery*>(self);
    recovery.FRetryTimer = 0;
    recovery.RetryNow();
  });
  return G_SOURCE_REMOVE;
}

void TPageRecovery::OnNetworkChanged(GNetworkMonitor*, gboolean available, gpointer self) {
  Guarded("network-changed", [&] {
    auto& recovery = *static_cast<TPageRecovery*>(self);
    if (available && recovery.FRetryTimer) recovery.RetryNow();
  });
}
