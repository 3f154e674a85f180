#include "ceflib_cookies.h"

#include "ceflib_calls.h"
#include "ceflib_errors.h"
#include "ceflib_loader.h"
#include "ceflib_time.h"

namespace {

TDateTime ExpiryOf(const RuntimeCookie& cookie) {
  return cookie.has_expires ? RuntimeTimeToDateTime(cookie.expires) : 0;
}

// Nothing is deleted unless the visitor asks, also when the visit fails.
TCefBool CEF_CALLBACK CookieVisitorVisit(TCefCookieVisitor* self, const RuntimeCookie* cookie,
                                         int32_t count, int32_t total, TCefBool* deleteCookie) {
  if (deleteCookie) *deleteCookie = 0;
  return CallGuarded(nullptr, TCefBool{1}, [&] {
    if (!cookie) return TCefBool{1};
    bool deleteFlag = false;
    const bool goOn = OwnerOf<TCefCookieVisitorOwn>(self)->visit(
        CopyFromRuntimeString(&cookie->name), CopyFromRuntimeString(&cookie->value),
        CopyFromRuntimeString(&cookie->domain), CopyFromRuntimeString(&cookie->path),
        cookie->secure, cookie->httponly, cookie->has_expires,
        RuntimeTimeToDateTime(cookie->creation), RuntimeTimeToDateTime(cookie->last_access),
        ExpiryOf(*cookie), count, total, deleteFlag);
    if (deleteCookie) *deleteCookie = ToRuntime(deleteFlag);
    return ToRuntime(goOn);
  });
}

}  // namespace

TCefCookieVisitorOwn::TCefCookieVisitorOwn() : TCefBaseOwn(sizeof(TCefCookieVisitor)) {
  Data<TCefCookieVisitor>()->visit = CookieVisitorVisit;
}

namespace {

// The managers live in the runtime; asking before it is loaded is a caller's mistake that
// must not end in a call through a null entry point.
void RequireLoadedRuntime() {
  if (!RuntimeLibraryHandle) throw ECefException("The browser runtime is not loaded");
}

}  // namespace

TRef<ICefCookieManager> TCefCookieManagerRef::Global() {
  RequireLoadedRuntime();
  return UnWrap(RuntimeApi.cef_cookie_manager_get_global_manager());
}

TRef<ICefCookieManager> TCefCookieManagerRef::New(const ustring& path) {
  RequireLoadedRuntime();
  return UnWrap(RuntimeApi.cef_cookie_manager_create_manager(ToRuntime(path)));
}

void TCefCookieManagerRef::set_supported_schemes(const std::vector<ustring>* schemes) {
  BuildRuntimeStringList(schemes, [this](TCefStringList list) {
    CallEntry<void>(Data(), &TCefCookieManager::set_supported_schemes, list);
  });
}

bool TCefCookieManagerRef::visit_all_cookies(const TRef<ICefCookieVisitor>& visitor) {
  return CallEntry<bool>(Data(), &TCefCookieManager::visit_all_cookies, visitor);
}

bool TCefCookieManagerRef::visit_all_cookies(const TCefCookieVisitorProc& visitor) {
  return visit_all_cookies(TRef<ICefCookieVisitor>(new TCefFastCookieVisitor(visitor)));
}

bool TCefCookieManagerRef::visit_url_cookies(const ustring& url, bool includeHttpOnly,
                                             const TRef<ICefCookieVisitor>& visitor) {
  return CallEntry<bool>(Data(), &TCefCookieManager::visit_url_cookies, url, includeHttpOnly,
                         visitor);
}

bool TCefCookieManagerRef::visit_url_cookies(const ustring& url, bool includeHttpOnly,
                                             const TCefCookieVisitorProc& visitor) {
  return visit_url_cookies(url, includeHttpOnly,
                           TRef<ICefCookieVisitor>(new TCefFastCookieVisitor(visitor)));
}

bool TCefCookieManagerRef::set_cookie(const ustring& url, const ustring& name, const ustring& value,
                                      const ustring& domain, const ustring& path, bool secure,
                                      bool httponly, bool hasExpires, TDateTime creation,
                                      TDateTime lastAccess, TDateTime expires) {
  RuntimeCookie cookie{};
  cookie.name = BorrowRuntimeString(name);
  cookie.value = BorrowRuntimeString(value);
  cookie.domain = BorrowRuntimeString(domain);
  cookie.path = BorrowRuntimeString(path);
  cookie.secure = secure;
  cookie.httponly = httponly;
  cookie.creation = DateTimeToRuntimeTime(creation);
  cookie.last_access = DateTimeToRuntimeTime(lastAccess);
  cookie.has_expires = hasExpires;
  if (hasExpires) cookie.expires = DateTimeToRuntimeTime(expires);
  return CallEntry<bool>(Data(), &TCefCookieManager::set_cookie, url, &cookie);
}

bool TCefCookieManagerRef::delete_cookies(const ustring& url, const ustring& cookieName) {
  return CallEntry<bool>(Data(), &TCefCookieManager::delete_cookies, url, cookieName);
}

bool TCefCookieManagerRef::set_storage_path(const ustring& path) {
  return CallEntry<bool>(Data(), &TCefCookieManager::set_storage_path, path);
}
