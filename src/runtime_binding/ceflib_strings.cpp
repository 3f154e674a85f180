#include "ceflib_strings.h"

Tcef_string_utf16_set RuntimeStringSet;
Tcef_string_utf16_clear RuntimeStringClear;
Tcef_string_userfree_utf16_alloc RuntimeStringUserFreeAlloc;
Tcef_string_userfree_utf16_free RuntimeStringUserFreeFree;
Tcef_string_ascii_to_utf16 RuntimeStringFromAscii;
Tcef_string_utf16_to_utf8 RuntimeStringToUtf8;
Tcef_string_utf8_to_utf16 RuntimeStringFromUtf8;
TRuntimeStringCopy RuntimeStringFromUtf16;
TRuntimeStringCopy RuntimeStringCopy;
Tcef_string_utf16_to_wide RuntimeStringToWide;
Tcef_string_wide_to_utf16 RuntimeStringFromWide;

void SetGenericStringOperations() {
  RuntimeStringSet = RuntimeApi.cef_string_utf16_set;
  RuntimeStringClear = RuntimeApi.cef_string_utf16_clear;
  RuntimeStringUserFreeAlloc = RuntimeApi.cef_string_userfree_utf16_alloc;
  RuntimeStringUserFreeFree = RuntimeApi.cef_string_userfree_utf16_free;
  RuntimeStringFromAscii = RuntimeApi.cef_string_ascii_to_utf16;
  RuntimeStringToUtf8 = RuntimeApi.cef_string_utf16_to_utf8;
  RuntimeStringFromUtf8 = RuntimeApi.cef_string_utf8_to_utf16;
  RuntimeStringFromUtf16 = Utf16StringCopy;
  RuntimeStringCopy = Utf16StringCopy;
  RuntimeStringToWide = RuntimeApi.cef_string_utf16_to_wide;
  RuntimeStringFromWide = RuntimeApi.cef_string_wide_to_utf16;
}

void ClearGenericStringOperations() {
  RuntimeStringSet = nullptr;
  RuntimeStringClear = nullptr;
  RuntimeStringUserFreeAlloc = nullptr;
  RuntimeStringUserFreeFree = nullptr;
  RuntimeStringFromAscii = nullptr;
  RuntimeStringToUtf8 = nullptr;
  RuntimeStringFromUtf8 = nullptr;
  RuntimeStringFromUtf16 = nullptr;
  RuntimeStringCopy = nullptr;
  RuntimeStringToWide = nullptr;
  RuntimeStringFromWide = nullptr;
}

extern "C" int32_t Utf16StringCopy(const char16_t* source, size_t length, TCefStringUtf16* output) {
  return RuntimeApi.cef_string_utf16_set(source, length, output, 1);
}

TCefStringUtf16 BorrowRuntimeString(const ustring& s) {
  // The runtime never writes through a borrowed view; the record type is not const-correct.
  return {const_cast<char16_t*>(s.c_str()), s.size(), nullptr};
}

ustring CopyFromRuntimeString(const TCefStringUtf16* p) {
  if (!p || !p->str) return {};
  return ustring(p->str, p->length);
}

TCefStringUtf16 AllocRuntimeString(const ustring& s) {
  TCefStringUtf16 record{};
  // The program's text is UTF-16 already; the platform's wide text is not.
  if (!s.empty()) RuntimeStringFromUtf16(s.data(), s.size(), &record);
  return record;
}

void AssignRuntimeString(TCefStringUtf16* p, const ustring& s) {
  if (p) RuntimeStringSet(s.c_str(), s.size(), p, 1);
}

namespace {

// Runs release on scope exit, so runtime text is given back even when copying it fails.
template <class Release>
class TReleaseOnExit {
 public:
  explicit TReleaseOnExit(Release release) : FRelease(release) {}
  ~TReleaseOnExit() { FRelease(); }
  TReleaseOnExit(const TReleaseOnExit&) = delete;
  TReleaseOnExit& operator=(const TReleaseOnExit&) = delete;

 private:
  Release FRelease;
};

}  // namespace

ustring TakeRuntimeString(TCefStringUtf16* r) {
  const TReleaseOnExit clear([r] { RuntimeStringClear(r); });
  return CopyFromRuntimeString(r);
}

ustring TakeUserFreeString(TCefStringUserFreeUtf16 p) {
  if (!p) return {};
  const TReleaseOnExit release([p] { RuntimeStringUserFreeFree(p); });
  return CopyFromRuntimeString(p);
}

TRuntimeStringListHolder::TRuntimeStringListHolder() : FList(RuntimeApi.cef_string_list_alloc()) {}

TRuntimeStringListHolder::~TRuntimeStringListHolder() {
  RuntimeApi.cef_string_list_free(FList);
}

void TRuntimeStringListHolder::Append(const ustring& item) {
  const TCefStringUtf16 view = BorrowRuntimeString(item);
  RuntimeApi.cef_string_list_append(FList, &view);
}

void TRuntimeStringListHolder::ReadInto(std::vector<ustring>& into) const {
  TCefStringUtf16 record{};
  const int32_t count = RuntimeApi.cef_string_list_size(FList);
  for (int32_t index = 0; index < count; ++index) {
    RuntimeApi.cef_string_list_value(FList, index, &record);
    into.push_back(TakeRuntimeString(&record));
  }
}

TRuntimeStringMapHolder::TRuntimeStringMapHolder() : FMap(RuntimeApi.cef_string_map_alloc()) {}

TRuntimeStringMapHolder::~TRuntimeStringMapHolder() {
  RuntimeApi.cef_string_map_free(FMap);
}

void TRuntimeStringMapHolder::ReadInto(std::vector<std::pair<ustring, ustring>>& into) const {
  TCefStringUtf16 key{};
  TCefStringUtf16 value{};
  const int32_t count = RuntimeApi.cef_string_map_size(FMap);
  for (int32_t index = 0; index < count; ++index) {
    RuntimeApi.cef_string_map_key(FMap, index, &key);
    RuntimeApi.cef_string_map_value(FMap, index, &value);
    ustring name = TakeRuntimeString(&key);
    into.emplace_back(std::move(name), TakeRuntimeString(&value));
  }
}
