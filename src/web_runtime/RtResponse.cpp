// Response heads: plain values behind their structure; read-only when the runtime made them.

#include "RtResponse.h"

#include <glib.h>

#include <algorithm>

#include "RtGuard.h"
#include "RtObject.h"
#include "RtStrings.h"

namespace {

class TResponse final : public TRtCounted {
 public:
  TResponse(TResponseHead head, bool readOnly) : FHead(std::move(head)), FReadOnly(readOnly) {
    InitFace(FFace, this);
    TCefResponse& s = FFace.Struct;
    s.is_read_only = is_read_only;
    s.get_status = get_status;
    s.set_status = set_status;
    s.get_status_text = get_status_text;
    s.set_status_text = set_status_text;
    s.get_mime_type = get_mime_type;
    s.set_mime_type = set_mime_type;
    s.get_header = get_header;
    s.get_header_map = get_header_map;
    s.set_header_map = set_header_map;
  }
  TCefResponse* Struct() { return &FFace.Struct; }

 private:
  static TResponse& Self(TCefResponse* self) { return OwnerOf<TResponse>(self); }
  template <class TChange>
  static void Change(TCefResponse* self, const char* where, TChange change) {
    Guarded(where, [&] {
      TResponse& response = Self(self);
      if (!response.FReadOnly) change(response.FHead);
    });
  }
  static TCefStringUserFreeUtf16 Text(TCefResponse* self, const char* where,
                                      std::string TResponseHead::*field) {
    return Guarded(
        where, [&] { return NewUserFree(Self(self).FHead.*field); },
        TCefStringUserFreeUtf16(nullptr));
  }

  static TCefBool CEF_CALLBACK is_read_only(TCefResponse* self) { return Self(self).FReadOnly; }
  static int32_t CEF_CALLBACK get_status(TCefResponse* self) { return Self(self).FHead.Status; }
  static void CEF_CALLBACK set_status(TCefResponse* self, int32_t status) {
    Change(self, "set_status", [&](TResponseHead& head) { head.Status = status; });
  }
  static TCefStringUserFreeUtf16 CEF_CALLBACK get_status_text(TCefResponse* self) {
    return Text(self, "get_status_text", &TResponseHead::StatusText);
  }
  static void CEF_CALLBACK set_status_text(TCefResponse* self, TCefConstString* statusText) {
    Change(self, "set_status_text",
           [&](TResponseHead& head) { head.StatusText = ToUtf8(statusText); });
  }
  static TCefStringUserFreeUtf16 CEF_CALLBACK get_mime_type(TCefResponse* self) {
    return Text(self, "get_mime_type", &TResponseHead::MimeType);
  }
  static void CEF_CALLBACK set_mime_type(TCefResponse* self, TCefConstString* mimeType) {
    Change(self, "set_mime_type", [&](TResponseHead& head) { head.MimeType = ToUtf8(mimeType); });
  }
  // HTTP header names are case-insensitive.
  static TCefStringUserFreeUtf16 CEF_CALLBACK get_header(TCefResponse* self,
                                                         TCefConstString* name) {
    return Guarded(
        "get_header",
        [&]() -> TCefStringUserFreeUtf16 {
          const std::string wanted = ToUtf8(name);
          const THeaderList& headers = Self(self).FHead.Headers;
          auto found = std::find_if(headers.begin(), headers.end(), [&](const auto& header) {
            return g_ascii_strcasecmp(header.first.c_str(), wanted.c_str()) == 0;
          });
          return found == headers.end() ? nullptr : NewUserFree(found->second);
        },
        TCefStringUserFreeUtf16(nullptr));
  }
  static void CEF_CALLBACK get_header_map(TCefResponse* self, TCefStringMultimap headerMap) {
    Guarded("get_header_map", [&] { AppendHeaders(Self(self).FHead.Headers, headerMap); });
  }
  static void CEF_CALLBACK set_header_map(TCefResponse* self, TCefStringMultimap headerMap) {
    Change(self, "set_header_map",
           [&](TResponseHead& head) { head.Headers = HeadersOf(headerMap); });
  }

  TFace<TCefResponse> FFace;
  TResponseHead FHead;
  const bool FReadOnly;
};

}  // namespace

TCefResponse* NewReadOnlyResponse(const TResponseHead& head) {
  return (new TResponse(head, true))->Struct();
}

extern "C" {

TCefResponse* cef_response_create(void) {
  return Guarded(
      "cef_response_create", [] { return (new TResponse({}, false))->Struct(); },
      static_cast<TCefResponse*>(nullptr));
}

}  // extern "C"
