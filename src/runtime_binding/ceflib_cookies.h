#pragma once

#include <vector>

#include "ceflib_bridge.h"
#include "ceflib_types.h"

// Receives cookies one by one; the answer says whether to go on. Setting deleteCookie asks
// the runtime to delete the cookie just visited.
class ICefCookieVisitor : public virtual ICefBase {
 public:
  virtual bool visit(const ustring& name, const ustring& value, const ustring& domain,
                     const ustring& path, bool secure, bool httponly, bool hasExpires,
                     TDateTime creation, TDateTime lastAccess, TDateTime expires, int32_t count,
                     int32_t total, bool& deleteCookie) = 0;
};

class TCefCookieVisitorOwn : public TCefBaseOwn, public ICefCookieVisitor {
 public:
  TCefCookieVisitorOwn();
  bool visit(const ustring&, const ustring&, const ustring&, const ustring&, bool, bool, bool,
             TDateTime, TDateTime, TDateTime, int32_t, int32_t, bool&) override {
    return true;
  }
};

class TCefFastCookieVisitor : public TCefCookieVisitorOwn {
 public:
  explicit TCefFastCookieVisitor(TCefCookieVisitorProc visitor) : FVisitor(std::move(visitor)) {}
  bool visit(const ustring& name, const ustring& value, const ustring& domain, const ustring& path,
             bool secure, bool httponly, bool hasExpires, TDateTime creation, TDateTime lastAccess,
             TDateTime expires, int32_t count, int32_t total, bool& deleteCookie) override {
    return FVisitor(name, value, domain, path, secure, httponly, hasExpires, creation, lastAccess,
                    expires, count, total, deleteCookie);
  }

 private:
  TCefCookieVisitorProc FVisitor;
};

// The runtime's store of cookies.
class ICefCookieManager : public virtual ICefBase {
 public:
  // Null schemes set an empty list.
  virtual void set_supported_schemes(const std::vector<ustring>* schemes) = 0;
  virtual bool visit_all_cookies(const TRef<ICefCookieVisitor>& visitor) = 0;
  virtual bool visit_all_cookies(const TCefCookieVisitorProc& visitor) = 0;
  virtual bool visit_url_cookies(const ustring& url, bool includeHttpOnly,
                                 const TRef<ICefCookieVisitor>& visitor) = 0;
  virtual bool visit_url_cookies(const ustring& url, bool includeHttpOnly,
                                 const TCefCookieVisitorProc& visitor) = 0;
  virtual bool set_cookie(const ustring& url, const ustring& name, const ustring& value,
                          const ustring& domain, const ustring& path, bool secure, bool httponly,
                          bool hasExpires, TDateTime creation, TDateTime lastAccess,
                          TDateTime expires) = 0;
  virtual bool delete_cookies(const ustring& url, const ustring& cookieName) = 0;
  virtual bool set_storage_path(const ustring& path) = 0;
};

class TCefCookieManagerRef
    : public TCefBaseRefOf<TCefCookieManagerRef, ICefCookieManager, TCefCookieManager> {
 public:
  using TCefBaseRefOf::TCefBaseRefOf;

  // Both need a loaded runtime.
  static TRef<ICefCookieManager> Global();
  static TRef<ICefCookieManager> New(const ustring& path);

  void set_supported_schemes(const std::vector<ustring>* schemes) override;
  bool visit_all_cookies(const TRef<ICefCookieVisitor>& visitor) override;
  bool visit_all_cookies(const TCefCookieVisitorProc& visitor) override;
  bool visit_url_cookies(const ustring& url, bool includeHttpOnly,
                         const TRef<ICefCookieVisitor>& visitor) override;
  bool visit_url_cookies(const ustring& url, bool includeHttpOnly,
                         const TCefCookieVisitorProc& visitor) override;
  bool set_cookie(const ustring& url, const ustring& name, const ustring& value,
                  const ustring& domain, const ustring& path, bool secure, bool httponly,
                  bool hasExpires, TDateTime creation, TDateTime lastAccess,
                  TDateTime expires) override;
  bool delete_cookies(const ustring& url, const ustring& cookieName) override;
  bool set_storage_path(const ustring& path) override;
};

CEF_WRAPS(TCefCookieManagerRef, ICefCookieManager, TCefCookieManager);
