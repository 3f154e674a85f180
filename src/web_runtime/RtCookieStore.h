#pragma once

#include <webkit2/webkit2.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// One cookie in plain terms; times are Unix seconds (UTC).
struct TCookieData {
  std::string Name;
  std::string Value;
  std::string Domain;
  std::string Path;
  bool Secure = false;
  bool HttpOnly = false;
  std::optional<int64_t> Expires;  // none: a session cookie
};

// A WebKit cookie manager with the synchronous answers the runtime's callers expect. The
// asynchronous WebKit calls are driven to completion on the main context, bounded in time.
class TCookieStore {
 public:
  using TCookieList = std::vector<TCookieData>;
  using TVisit = std::function<void(const TCookieList& cookies)>;

  explicit TCookieStore(WebKitCookieManager* manager);
  ~TCookieStore();
  TCookieStore(const TCookieStore&) = delete;
  TCookieStore& operator=(const TCookieStore&) = delete;

  // Makes the store persistent in SQLite inside folder (created when missing). Cookies the
  // current store holds are carried over, so switching never loses a login. A store that
  // cannot be opened is refused with a warning, and until a store is accepted persistent
  // cookies are refused too: they would not persist.
  bool SetStorageFolder(const std::string& folder);
  bool SetCookie(const std::string& url, const TCookieData& cookie);
  // Empty url: every cookie; empty name: every cookie sent to url.
  bool DeleteCookies(const std::string& url, const std::string& name);
  // Calls visit once with the cookies (none when they cannot be read); url empty: all.
  void Visit(const std::string& url, bool includeHttpOnly, TVisit visit);
  // Deletes one cookie as a visitor asked.
  void Delete(const TCookieData& cookie);

  static const char* StorageFileName() { return "Cookies"; }

 private:
  std::optional<std::vector<SoupCookie*>> Query(const std::string& url);
  bool Add(SoupCookie* cookie);
  bool Remove(SoupCookie* cookie);

  WebKitCookieManager* FManager;
  bool FStorageRefused = false;
};
