#include "RtCookieStore.h"

#include <fcntl.h>
#include <glib/gstdio.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

#include "RtGuard.h"
#include "RtMainLoop.h"

namespace {

// One WebKit call in flight, filled by its completion callback. A caller that gave up waiting
// abandons it and the callback frees it.
struct TCookieCall {
  bool Done = false;
  bool Abandoned = false;
  gboolean Ok = FALSE;
  GList* Cookies = nullptr;
};

void Complete(TCookieCall* call) {
  call->Done = true;
  if (!call->Abandoned) return;
  g_list_free_full(call->Cookies, GDestroyNotify(soup_cookie_free));
  delete call;
}

// Waits for the call; answers it, or nothing when it did not finish in time.
std::unique_ptr<TCookieCall> Await(TCookieCall* call) {
  if (IterateMainContextUntil([&] { return call->Done; }))
    return std::unique_ptr<TCookieCall>(call);
  call->Abandoned = true;
  return nullptr;
}

TCookieData ToCookieData(SoupCookie* cookie) {
  TCookieData data;
  data.Name = soup_cookie_get_name(cookie);
  data.Value = soup_cookie_get_value(cookie);
  data.Domain = soup_cookie_get_domain(cookie);
  data.Path = soup_cookie_get_path(cookie);
  data.Secure = soup_cookie_get_secure(cookie);
  data.HttpOnly = soup_cookie_get_http_only(cookie);
  if (GDateTime* expires = soup_cookie_get_expires(cookie))
    data.Expires = g_date_time_to_unix(expires);
  return data;
}

// Domain and path default the way a Set-Cookie header from url would.
SoupCookie* ToSoupCookie(const std::string& url, const TCookieData& data) {
  g_autoptr(GUri) uri = g_uri_parse(url.c_str(), G_URI_FLAGS_NONE, nullptr);
  if (!uri) return nullptr;
  const char* host = g_uri_get_host(uri);
  std::string domain = data.Domain.empty() ? (host ? host : "") : data.Domain;
  std::string path = data.Path.empty() ? "/" : data.Path;
  if (domain.empty() || data.Name.empty()) return nullptr;
  SoupCookie* cookie =
      soup_cookie_new(data.Name.c_str(), data.Value.c_str(), domain.c_str(), path.c_str(), -1);
  soup_cookie_set_secure(cookie, data.Secure);
  soup_cookie_set_http_only(cookie, data.HttpOnly);
  if (data.Expires) {
    g_autoptr(GDateTime) expires = g_date_time_new_from_unix_utc(*data.Expires);
    if (expires) soup_cookie_set_expires(cookie, expires);
  }
  return cookie;
}

void OnCookiesQueried(GObject* source, GAsyncResult* result, gpointer data) {
  auto* call = static_cast<TCookieCall*>(data);
  g_autoptr(GError) error = nullptr;
  call->Cookies =
      webkit_cookie_manager_get_cookies_finish(WEBKIT_COOKIE_MANAGER(source), result, &error);
  call->Ok = error == nullptr;
  Complete(call);
}

void OnAllCookiesQueried(GObject* source, GAsyncResult* result, gpointer data) {
  auto* call = static_cast<TCookieCall*>(data);
  g_autoptr(GError) error = nullptr;
  call->Cookies =
      webkit_cookie_manager_get_all_cookies_finish(WEBKIT_COOKIE_MANAGER(source), result, &error);
  call->Ok = error == nullptr;
  Complete(call);
}

void OnCookieAdded(GObject* source, GAsyncResult* result, gpointer data) {
  auto* call = static_cast<TCookieCall*>(data);
  call->Ok =
      webkit_cookie_manager_add_cookie_finish(WEBKIT_COOKIE_MANAGER(source), result, nullptr);
  Complete(call);
}

void OnCookieDeleted(GObject* source, GAsyncResult* result, gpointer data) {
  auto* call = static_cast<TCookieCall*>(data);
  call->Ok =
      webkit_cookie_manager_delete_cookie_finish(WEBKIT_COOKIE_MANAGER(source), result, nullptr);
  Complete(call);
}

// WebKit opens the store later and silently keeps cookies in memory when it cannot: find out
// now whether the file can be opened for writing (an empty new file is a valid store).
bool CanOpenStore(const std::string& folder, const char* file) {
  const int descriptor = g_mkdir_with_parents(folder.c_str(), 0700) == 0
                             ? open(file, O_RDWR | O_CREAT | O_CLOEXEC, 0600)
                             : -1;
  if (descriptor < 0) {
    g_printerr("Cookie store %s cannot be opened: %s\n", file, g_strerror(errno));
    return false;
  }
  close(descriptor);
  return true;
}

bool Matches(SoupCookie* cookie, const std::string& name) {
  return name.empty() || name == soup_cookie_get_name(cookie);
}

std::vector<SoupCookie*> ToVector(GList* cookies) {
  std::vector<SoupCookie*> list;
  for (GList* item = cookies; item; item = item->next)
    list.push_back(static_cast<SoupCookie*>(item->data));
  return list;
}

}  // namespace

TCookieStore::TCookieStore(WebKitCookieManager* manager)
    : FManager(WEBKIT_COOKIE_MANAGER(g_object_ref(manager))) {}

TCookieStore::~TCookieStore() {
  g_object_unref(FManager);
}

// The returned cookies belong to the caller's list; free them with FreeCookieList.
std::optional<std::vector<SoupCookie*>> TCookieStore::Query(const std::string& url) {
  auto* pending = new TCookieCall;
  if (url.empty())
    webkit_cookie_manager_get_all_cookies(FManager, nullptr, OnAllCookiesQueried, pending);
  else
    webkit_cookie_manager_get_cookies(FManager, url.c_str(), nullptr, OnCookiesQueried, pending);
  auto call = Await(pending);
  if (!call) return std::nullopt;
  std::vector<SoupCookie*> cookies = ToVector(call->Cookies);
  g_list_free(call->Cookies);
  if (!call->Ok) return std::nullopt;
  return cookies;
}

bool TCookieStore::Add(SoupCookie* cookie) {
  auto* pending = new TCookieCall;
  webkit_cookie_manager_add_cookie(FManager, cookie, nullptr, OnCookieAdded, pending);
  auto call = Await(pending);
  return call && call->Ok;
}

bool TCookieStore::Remove(SoupCookie* cookie) {
  auto* pending = new TCookieCall;
  webkit_cookie_manager_delete_cookie(FManager, cookie, nullptr, OnCookieDeleted, pending);
  auto call = Await(pending);
  return call && call->Ok;
}

bool TCookieStore::SetStorageFolder(const std::string& folder) {
  if (folder.empty()) return false;
  g_autofree gchar* file = g_build_filename(folder.c_str(), StorageFileName(), nullptr);
  FStorageRefused = !CanOpenStore(folder, file);
  if (FStorageRefused) return false;
  auto carried = Query("");
  if (!carried) return false;
  webkit_cookie_manager_set_persistent_storage(FManager, file,
                                               WEBKIT_COOKIE_PERSISTENT_STORAGE_SQLITE);
  bool ok = true;
  for (SoupCookie* carriedCookie : *carried) {
    g_autoptr(SoupCookie) cookie = carriedCookie;
    ok = Add(cookie) && ok;
  }
  return ok;
}

bool TCookieStore::SetCookie(const std::string& url, const TCookieData& data) {
  if (FStorageRefused && data.Expires) return false;
  g_autoptr(SoupCookie) cookie = ToSoupCookie(url, data);
  return cookie && Add(cookie);
}

bool TCookieStore::DeleteCookies(const std::string& url, const std::string& name) {
  auto cookies = Query(url);
  if (!cookies) return false;
  bool ok = true;
  for (SoupCookie* queried : *cookies) {
    g_autoptr(SoupCookie) cookie = queried;
    if (Matches(cookie, name)) ok = Remove(cookie) && ok;
  }
  return ok;
}

void TCookieStore::Delete(const TCookieData& data) {
  g_autoptr(SoupCookie) cookie = soup_cookie_new(data.Name.c_str(), data.Value.c_str(),
                                                 data.Domain.c_str(), data.Path.c_str(), -1);
  Remove(cookie);
}

void TCookieStore::Visit(const std::string& url, bool includeHttpOnly, TVisit visit) {
  auto cookies = Query(url);
  TCookieList list;
  for (SoupCookie* queried : cookies ? *cookies : std::vector<SoupCookie*>{}) {
    g_autoptr(SoupCookie) cookie = queried;
    if (includeHttpOnly || url.empty() || !soup_cookie_get_http_only(cookie))
      list.push_back(ToCookieData(cookie));
  }
  visit(list);
}
