// Requests, post data and post data elements: plain values behind their structures. Once the
// runtime has sent a request it is read-only, and every setter does nothing.

#include "RtRequest.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "RtGuard.h"
#include "RtObject.h"
#include "RtStrings.h"

namespace {

// What the three objects share: the read-only mark and setters that respect it.
template <class TSelf, class TStruct>
class TValueObject : public TRtCounted {
 public:
  TValueObject() { InitFace(FFace, this); }
  TStruct* Struct() { return &FFace.Struct; }
  void MarkReadOnly() { FReadOnly = true; }
  // Ours, or null for a client's own implementation.
  static TSelf* Own(TStruct* object) {
    return object && object->is_read_only == is_read_only ? &Self(object) : nullptr;
  }

 protected:
  static TSelf& Self(TStruct* self) { return OwnerOf<TSelf>(self); }
  static TCefBool CEF_CALLBACK is_read_only(TStruct* self) { return Self(self).FReadOnly; }
  // Runs the change unless the object is read-only.
  template <class TChange>
  static void Change(TStruct* self, const char* where, TChange change) {
    Guarded(where, [&] {
      TSelf& object = Self(self);
      if (!object.FReadOnly) change(object);
    });
  }
  // Answers a getter, or fallback when it fails.
  template <class TGet, class TResult>
  static TResult Get(TStruct* self, const char* where, TGet get, TResult fallback) {
    return Guarded(
        where, [&]() -> TResult { return get(Self(self)); }, fallback);
  }

  TFace<TStruct> FFace;
  std::atomic<bool> FReadOnly{false};
};

class TPostDataElement final : public TValueObject<TPostDataElement, TCefPostDataElement> {
 public:
  TPostDataElement() {
    TCefPostDataElement& s = FFace.Struct;
    s.is_read_only = is_read_only;
    s.set_to_empty = set_to_empty;
    s.set_to_file = set_to_file;
    s.set_to_bytes = set_to_bytes;
    s.get_type = get_type;
    s.get_file = get_file;
    s.get_bytes_count = get_bytes_count;
    s.get_bytes = get_bytes;
  }

 private:
  static void CEF_CALLBACK set_to_empty(TCefPostDataElement* self) {
    Change(self, "set_to_empty", [](TPostDataElement& e) { e.Set(PDE_TYPE_EMPTY, {}, {}); });
  }
  static void CEF_CALLBACK set_to_file(TCefPostDataElement* self, TCefConstString* fileName) {
    Change(self, "set_to_file",
           [&](TPostDataElement& e) { e.Set(PDE_TYPE_FILE, {}, ToUtf8(fileName)); });
  }
  static void CEF_CALLBACK set_to_bytes(TCefPostDataElement* self, size_t size, const void* bytes) {
    Change(self, "set_to_bytes", [&](TPostDataElement& e) {
      if (!bytes) size = 0;
      e.Set(PDE_TYPE_BYTES, std::string(static_cast<const char*>(bytes), size), {});
    });
  }
  static TCefPostDataElementType CEF_CALLBACK get_type(TCefPostDataElement* self) {
    return Self(self).FType;
  }
  static TCefStringUserFreeUtf16 CEF_CALLBACK get_file(TCefPostDataElement* self) {
    return Get(
        self, "get_file", [](TPostDataElement& e) { return NewUserFree(e.FFile); },
        TCefStringUserFreeUtf16(nullptr));
  }
  static size_t CEF_CALLBACK get_bytes_count(TCefPostDataElement* self) {
    return Self(self).FBytes.size();
  }
  // Copies as many bytes as fit; answers how many.
  static size_t CEF_CALLBACK get_bytes(TCefPostDataElement* self, size_t size, void* bytes) {
    const std::string& kept = Self(self).FBytes;
    const size_t count = bytes ? std::min(size, kept.size()) : 0;
    if (count) std::memcpy(bytes, kept.data(), count);
    return count;
  }

  void Set(TCefPostDataElementType type, std::string bytes, std::string file) {
    FType = type;
    FBytes = std::move(bytes);
    FFile = std::move(file);
  }

  TCefPostDataElementType FType = PDE_TYPE_EMPTY;
  std::string FBytes;
  std::string FFile;
};

class TPostData final : public TValueObject<TPostData, TCefPostData> {
 public:
  TPostData() {
    TCefPostData& s = FFace.Struct;
    s.is_read_only = is_read_only;
    s.get_element_count = get_element_count;
    s.get_elements = get_elements;
    s.remove_element = remove_element;
    s.add_element = add_element;
    s.remove_elements = remove_elements;
  }
  void MarkAllReadOnly() {
    MarkReadOnly();
    for (const auto& element : FElements)
      if (TPostDataElement* own = TPostDataElement::Own(element.get())) own->MarkReadOnly();
  }

 private:
  static size_t CEF_CALLBACK get_element_count(TCefPostData* self) {
    return Self(self).FElements.size();
  }
  static void CEF_CALLBACK get_elements(TCefPostData* self, size_t* elementsCount,
                                        TCefPostDataElement** elements) {
    Guarded("get_elements", [&] {
      if (!elementsCount) return;
      const auto& kept = Self(self).FElements;
      const size_t count = elements ? std::min(*elementsCount, kept.size()) : 0;
      for (size_t i = 0; i < count; ++i) elements[i] = kept[i].Share();
      *elementsCount = count;
    });
  }
  static TCefBool CEF_CALLBACK remove_element(TCefPostData* self, TCefPostDataElement* element) {
    TClientRef<TCefPostDataElement> given(element);
    TCefBool removed = 0;
    Change(self, "remove_element", [&](TPostData& data) {
      auto& kept = data.FElements;
      auto found = std::find_if(kept.begin(), kept.end(),
                                [&](const auto& item) { return item.get() == element; });
      if (found == kept.end()) return;
      kept.erase(found);
      removed = 1;
    });
    return removed;
  }
  static TCefBool CEF_CALLBACK add_element(TCefPostData* self, TCefPostDataElement* element) {
    TClientRef<TCefPostDataElement> given(element);
    TCefBool added = 0;
    Change(self, "add_element", [&](TPostData& data) {
      if (!given) return;
      data.FElements.push_back(std::move(given));
      added = 1;
    });
    return added;
  }
  static void CEF_CALLBACK remove_elements(TCefPostData* self) {
    Change(self, "remove_elements", [](TPostData& data) { data.FElements.clear(); });
  }

  std::vector<TClientRef<TCefPostDataElement>> FElements;
};

class TRequest final : public TValueObject<TRequest, TCefRequest> {
 public:
  TRequest() {
    TCefRequest& s = FFace.Struct;
    s.is_read_only = is_read_only;
    s.get_url = get_url;
    s.set_url = set_url;
    s.get_method = get_method;
    s.set_method = set_method;
    s.get_post_data = get_post_data;
    s.set_post_data = set_post_data;
    s.get_header_map = get_header_map;
    s.set_header_map = set_header_map;
    s.set = set;
    s.get_flags = get_flags;
    s.set_flags = set_flags;
    s.get_first_party_for_cookies = get_first_party_for_cookies;
    s.set_first_party_for_cookies = set_first_party_for_cookies;
  }
  void MarkAllReadOnly() {
    MarkReadOnly();
    if (TPostData* own = TPostData::Own(FPostData.get())) own->MarkAllReadOnly();
  }

 private:
  static TCefStringUserFreeUtf16 Text(TCefRequest* self, const char* where,
                                      std::string TRequest::*field) {
    return Get(
        self, where, [&](TRequest& r) { return NewUserFree(r.*field); },
        TCefStringUserFreeUtf16(nullptr));
  }
  static void SetText(TCefRequest* self, const char* where, std::string TRequest::*field,
                      TCefConstString* text) {
    Change(self, where, [&](TRequest& r) { r.*field = ToUtf8(text); });
  }

  static TCefStringUserFreeUtf16 CEF_CALLBACK get_url(TCefRequest* self) {
    return Text(self, "get_url", &TRequest::FUrl);
  }
  static void CEF_CALLBACK set_url(TCefRequest* self, TCefConstString* url) {
    SetText(self, "set_url", &TRequest::FUrl, url);
  }
  static TCefStringUserFreeUtf16 CEF_CALLBACK get_method(TCefRequest* self) {
    return Text(self, "get_method", &TRequest::FMethod);
  }
  static void CEF_CALLBACK set_method(TCefRequest* self, TCefConstString* method) {
    SetText(self, "set_method", &TRequest::FMethod, method);
  }
  static TCefPostData* CEF_CALLBACK get_post_data(TCefRequest* self) {
    return Self(self).FPostData.Share();
  }
  static void CEF_CALLBACK set_post_data(TCefRequest* self, TCefPostData* postData) {
    TClientRef<TCefPostData> given(postData);
    Change(self, "set_post_data", [&](TRequest& r) { r.FPostData = std::move(given); });
  }
  static void CEF_CALLBACK get_header_map(TCefRequest* self, TCefStringMultimap headerMap) {
    Guarded("get_header_map", [&] { AppendHeaders(Self(self).FHeaders, headerMap); });
  }
  static void CEF_CALLBACK set_header_map(TCefRequest* self, TCefStringMultimap headerMap) {
    Change(self, "set_header_map", [&](TRequest& r) { r.FHeaders = HeadersOf(headerMap); });
  }
  static void CEF_CALLBACK set(TCefRequest* self, TCefConstString* url, TCefConstString* method,
                               TCefPostData* postData, TCefStringMultimap headerMap) {
    TClientRef<TCefPostData> given(postData);
    Change(self, "set", [&](TRequest& r) {
      r.FUrl = ToUtf8(url);
      r.FMethod = ToUtf8(method);
      r.FPostData = std::move(given);
      r.FHeaders = HeadersOf(headerMap);
    });
  }
  static int32_t CEF_CALLBACK get_flags(TCefRequest* self) { return Self(self).FFlags; }
  static void CEF_CALLBACK set_flags(TCefRequest* self, int32_t flags) {
    Change(self, "set_flags", [&](TRequest& r) { r.FFlags = flags; });
  }
  static TCefStringUserFreeUtf16 CEF_CALLBACK get_first_party_for_cookies(TCefRequest* self) {
    return Text(self, "get_first_party_for_cookies", &TRequest::FFirstParty);
  }
  static void CEF_CALLBACK set_first_party_for_cookies(TCefRequest* self, TCefConstString* url) {
    SetText(self, "set_first_party_for_cookies", &TRequest::FFirstParty, url);
  }

  std::string FUrl;
  std::string FMethod = "GET";
  TClientRef<TCefPostData> FPostData;
  THeaderList FHeaders;
  int32_t FFlags = 0;
  std::string FFirstParty;
};

TPostPart ReadElement(TCefPostDataElement* element) {
  TPostPart part;
  if (element->get_type) part.Type = element->get_type(element);
  if (part.Type == PDE_TYPE_FILE && element->get_file)
    part.File = TakeUserFree(element->get_file(element));
  if (part.Type == PDE_TYPE_BYTES && element->get_bytes_count && element->get_bytes) {
    part.Bytes.resize(element->get_bytes_count(element));
    part.Bytes.resize(element->get_bytes(element, part.Bytes.size(), part.Bytes.data()));
  }
  return part;
}

std::vector<TPostPart> ReadBody(TCefPostData* postData) {
  std::vector<TPostPart> body;
  if (!postData || !postData->get_element_count || !postData->get_elements) return body;
  std::vector<TCefPostDataElement*> elements(postData->get_element_count(postData));
  size_t count = elements.size();
  postData->get_elements(postData, &count, elements.data());
  elements.resize(std::min(count, elements.size()));
  for (TCefPostDataElement* element : elements) {
    TClientRef<TCefPostDataElement> held(element);
    if (held) body.push_back(ReadElement(element));
  }
  return body;
}

}  // namespace

TRequestSnapshot ReadRequest(TCefRequest* request) {
  TRequestSnapshot snapshot;
  if (request->get_url) snapshot.Url = TakeUserFree(request->get_url(request));
  if (request->get_method) snapshot.Method = TakeUserFree(request->get_method(request));
  if (request->get_flags) snapshot.Flags = request->get_flags(request);
  if (request->get_header_map) {
    TCefStringMultimap headers = cef_string_multimap_alloc();
    request->get_header_map(request, headers);
    snapshot.Headers = HeadersOf(headers);
    cef_string_multimap_free(headers);
  }
  if (request->get_post_data) {
    TClientRef<TCefPostData> postData(request->get_post_data(request));
    snapshot.Body = ReadBody(postData.get());
  }
  return snapshot;
}

void MakeReadOnly(TCefRequest* request) {
  if (TRequest* own = TRequest::Own(request)) own->MarkAllReadOnly();
}

extern "C" {

TCefRequest* cef_request_create(void) {
  return Guarded(
      "cef_request_create", [] { return (new TRequest)->Struct(); },
      static_cast<TCefRequest*>(nullptr));
}

TCefPostData* cef_post_data_create(void) {
  return Guarded(
      "cef_post_data_create", [] { return (new TPostData)->Struct(); },
      static_cast<TCefPostData*>(nullptr));
}

TCefPostDataElement* cef_post_data_element_create(void) {
  return Guarded(
      "cef_post_data_element_create", [] { return (new TPostDataElement)->Struct(); },
      static_cast<TCefPostDataElement*>(nullptr));
}

}  // extern "C"
