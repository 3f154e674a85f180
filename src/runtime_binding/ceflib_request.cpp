#include "ceflib_request.h"

#include <algorithm>

#include "ceflib_api.h"

TCefStringMultimapOwn::TCefStringMultimapOwn() : FMap(RuntimeApi.cef_string_multimap_alloc()) {}

TCefStringMultimapOwn::~TCefStringMultimapOwn() {
  RuntimeApi.cef_string_multimap_free(FMap);
}

int32_t TCefStringMultimapOwn::GetSize() {
  return RuntimeApi.cef_string_multimap_size(FMap);
}

int32_t TCefStringMultimapOwn::FindCount(const ustring& key) {
  return RuntimeApi.cef_string_multimap_find_count(FMap, ToRuntime(key));
}

ustring TCefStringMultimapOwn::GetEnumerate(const ustring& key, int32_t valueIndex) {
  TCefStringUtf16 value{};
  RuntimeApi.cef_string_multimap_enumerate(FMap, ToRuntime(key), valueIndex, &value);
  return TakeRuntimeString(&value);
}

ustring TCefStringMultimapOwn::GetKey(int32_t index) {
  TCefStringUtf16 key{};
  RuntimeApi.cef_string_multimap_key(FMap, index, &key);
  return TakeRuntimeString(&key);
}

ustring TCefStringMultimapOwn::GetValue(int32_t index) {
  TCefStringUtf16 value{};
  RuntimeApi.cef_string_multimap_value(FMap, index, &value);
  return TakeRuntimeString(&value);
}

bool TCefStringMultimapOwn::Append(const ustring& key, const ustring& value) {
  return RuntimeApi.cef_string_multimap_append(FMap, ToRuntime(key), ToRuntime(value)) != 0;
}

void TCefStringMultimapOwn::Clear() {
  RuntimeApi.cef_string_multimap_clear(FMap);
}

TRef<ICefPostDataElement> TCefPostDataElementRef::New() {
  return UnWrap(RuntimeApi.cef_post_data_element_create());
}

TRef<ICefPostData> TCefPostDataRef::New() {
  return UnWrap(RuntimeApi.cef_post_data_create());
}

TRef<ICefRequest> TCefRequestRef::New() {
  return UnWrap(RuntimeApi.cef_request_create());
}

std::vector<TRef<ICefPostDataElement>> TCefPostDataRef::get_elements(size_t capacity) {
  std::vector<TCefPostDataElement*> filled(capacity, nullptr);
  size_t count = capacity;
  CallEntry<void>(Data(), &TCefPostData::get_elements, &count, filled.data());
  // Every pointer the runtime filled in carries a reference; wrap them all before anything
  // can fail, and never read past the array whatever count it reports.
  std::vector<TRef<ICefPostDataElement>> elements;
  elements.reserve(capacity);
  for (TCefPostDataElement* element : filled)
    if (element) elements.push_back(FromRuntime(element));
  elements.resize(std::min(count, elements.size()));
  return elements;
}
