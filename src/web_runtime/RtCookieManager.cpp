#include "RtCookieManager.h"

#include <vector>

#include "RtCookieStore.h"
#include "RtGuard.h"
#include "RtObject.h"
#include "RtStrings.h"
#include "RtTime.h"
#include "RtWebContext.h"

namespace {

class TCookieManager final : public TRtCounted {
 public:
  TCookieManager(std::weak_ptr<TCookieStore> store, std::shared_ptr<TWebContext> ownContext)
      : FStore(std::move(store)), FOwnContext(std::move(ownContext)) {
    InitFace(FFace, this);
    TCefCookieManager& s = FFace.Struct;
    s.set_supported_schemes = set_supported_schemes;
    s.visit_all_cookies = visit_all_cookies;
    s.visit_url_cookies = visit_url_cookies;
    s.set_cookie = set_cookie;
    s.delete_cookies = delete_cookies;
    s.set_storage_path = set_storage_path;
  }
  TCefCookieManager* Struct() { return &FFace.Struct; }
  const std::shared_ptr<TWebContext>& OwnContext() const { return FOwnContext; }

  // Ours when it carries our entries.
  static TCookieManager* Of(TCefCookieManager* manager) {
    return manager && manager->visit_all_cookies == visit_all_cookies ? &Self(manager) : nullptr;
  }

 private:
  static TCookieManager& Self(TCefCookieManager* self) { return OwnerOf<TCookieManager>(self); }
  static std::shared_ptr<TCookieStore> StoreOf(TCefCookieManager* self) {
    return Self(self).FStore.lock();
  }

  // Kept for the client's sake; WebKit decides itself which schemes carry cookies.
  static void CEF_CALLBACK set_supported_schemes(TCefCookieManager* self, TCefStringList schemes) {
    Guarded("set_supported_schemes", [&] {
      auto& kept = Self(self).FSchemes;
      kept.clear();
      TCefStringUtf16 item{};
      for (int32_t i = 0; i < cef_string_list_size(schemes); ++i)
        if (cef_string_list_value(schemes, i, &item)) kept.push_back(ToU16(&item));
      cef_string_utf16_clear(&item);
    });
  }

  static TCefBool Visit(TCefCookieManager* self, const std::string& url, bool includeHttpOnly,
                        TCefCookieVisitor* visitor) {
    TClientRef<TCefCookieVisitor> held(visitor);
    auto store = StoreOf(self);
    if (!store || !held || !held->visit) return 0;
    store->Visit(url, includeHttpOnly, [&](const TCookieStore::TCookieList& cookies) {
      const auto total = int32_t(cookies.size());
      for (int32_t i = 0; i < total; ++i)
        if (!VisitOne(*store, held.get(), cookies[i], i, total)) break;
    });
    return 1;
  }

  // Answers whether the visitor wants more.
  static bool VisitOne(TCookieStore& store, TCefCookieVisitor* visitor, const TCookieData& data,
                       int32_t index, int32_t total) {
    const std::u16string name = Utf8ToU16(data.Name), value = Utf8ToU16(data.Value);
    const std::u16string domain = Utf8ToU16(data.Domain), path = Utf8ToU16(data.Path);
    RuntimeCookie cookie{};
    cookie.name = Borrow(name);
    cookie.value = Borrow(value);
    cookie.domain = Borrow(domain);
    cookie.path = Borrow(path);
    cookie.secure = data.Secure;
    cookie.httponly = data.HttpOnly;
    // WebKit keeps no creation or access times: the visit's time stands in for both.
    cookie.creation = cookie.last_access = RuntimeTimeOfMicros(g_get_real_time());
    cookie.has_expires = data.Expires.has_value();
    if (data.Expires) cookie.expires = RuntimeTimeOfMicros(*data.Expires * G_USEC_PER_SEC);
    TCefBool deleteCookie = 0;
    const bool more = visitor->visit(visitor, &cookie, index, total, &deleteCookie) != 0;
    if (deleteCookie) store.Delete(data);
    return more;
  }

  static TCefBool CEF_CALLBACK visit_all_cookies(TCefCookieManager* self,
                                                 TCefCookieVisitor* visitor) {
    return Guarded(
        "visit_all_cookies", [&] { return Visit(self, "", true, visitor); }, TCefBool(0));
  }

  static TCefBool CEF_CALLBACK visit_url_cookies(TCefCookieManager* self, TCefConstString* url,
                                                 TCefBool includeHttpOnly,
                                                 TCefCookieVisitor* visitor) {
    return Guarded(
        "visit_url_cookies",
        [&]() -> TCefBool {
          const std::string address = ToUtf8(url);
          if (address.empty()) {
            TClientRef<TCefCookieVisitor> unused(visitor);
            return 0;
          }
          return Visit(self, address, includeHttpOnly != 0, visitor);
        },
        TCefBool(0));
  }

  static TCefBool CEF_CALLBACK set_cookie(TCefCookieManager* self, TCefConstString* url,
                                          const RuntimeCookie* cookie) {
    return Guarded(
        "set_cookie",
        [&]() -> TCefBool {
          auto store = StoreOf(self);
          if (!store || !cookie) return 0;
          TCookieData data;
          data.Name = ToUtf8(&cookie->name);
          data.Value = ToUtf8(&cookie->value);
          data.Domain = ToUtf8(&cookie->domain);
          data.Path = ToUtf8(&cookie->path);
          data.Secure = cookie->secure;
          data.HttpOnly = cookie->httponly;
          if (cookie->has_expires) {
            data.Expires = UnixSecondsOf(cookie->expires);
            if (!data.Expires) return 0;
          }
          return store->SetCookie(ToUtf8(url), data);
        },
        TCefBool(0));
  }

  static TCefBool CEF_CALLBACK delete_cookies(TCefCookieManager* self, TCefConstString* url,
                                              TCefConstString* cookie_name) {
    return Guarded(
        "delete_cookies",
        [&]() -> TCefBool {
          auto store = StoreOf(self);
          return store && store->DeleteCookies(ToUtf8(url), ToUtf8(cookie_name));
        },
        TCefBool(0));
  }

  static TCefBool CEF_CALLBACK set_storage_path(TCefCookieManager* self, TCefConstString* path) {
    return Guarded(
        "set_storage_path",
        [&]() -> TCefBool {
          auto store = StoreOf(self);
          return store && store->SetStorageFolder(ToUtf8(path));
        },
        TCefBool(0));
  }

  TFace<TCefCookieManager> FFace;
  std::weak_ptr<TCookieStore> FStore;
  std::shared_ptr<TWebContext> FOwnContext;
  std::vector<std::u16string> FSchemes;
};

}  // namespace

TCefCookieManager* NewCookieManager(std::weak_ptr<TCookieStore> store,
                                    std::shared_ptr<TWebContext> ownContext) {
  return (new TCookieManager(std::move(store), std::move(ownContext)))->Struct();
}

std::shared_ptr<TWebContext> OwnContextOf(TCefCookieManager* manager) {
  TCookieManager* ours = TCookieManager::Of(manager);
  return ours ? ours->OwnContext() : nullptr;
}
