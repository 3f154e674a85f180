// Text functions of the fake runtime: buffers are counted so unfreed text shows as a leak.
#include <algorithm>
#include <string>

#include "fake_runtime_state.h"
#include "ustring.h"

using namespace FakeRuntime::Internal;

namespace {

template <class TChar>
void FreeBuffer(TChar* buffer) {
  auto& state = State();
  std::lock_guard guard(state.Lock);
  if (state.LiveBuffers.erase(buffer) == 0) {
    state.Problems.push_back("a text buffer the runtime does not own was freed");
    return;
  }
  delete[] buffer;
}

template <class TChar>
TChar* CopyBuffer(const TChar* source, size_t length) {
  auto* buffer = new TChar[length + 1];
  std::copy(source, source + length, buffer);
  buffer[length] = 0;
  auto& state = State();
  std::lock_guard guard(state.Lock);
  state.LiveBuffers.insert(buffer);
  return buffer;
}

template <class TRecord>
void ClearRecord(TRecord* record) {
  if (!record) return;
  if (record->dtor && record->str) record->dtor(record->str);
  *record = {};
}

template <class TRecord, class TChar>
int32_t SetRecord(const TChar* source, size_t length, TRecord* output, int32_t copy) {
  if (!output) return 0;
  ClearRecord(output);
  if (!source || length == 0) return 1;
  if (copy) {
    output->str = CopyBuffer(source, length);
    output->dtor = FreeBuffer<TChar>;
  } else {
    output->str = const_cast<TChar*>(source);
  }
  output->length = length;
  return 1;
}

template <class TRecord, class TText>
int32_t SetRecordFrom(const TText& text, TRecord* output) {
  return SetRecord(text.data(), text.size(), output, 1);
}

template <class TRecord>
int32_t CompareRecords(const TRecord* a, const TRecord* b) {
  const auto view = [](const TRecord* r) {
    using TChar = std::remove_pointer_t<decltype(r->str)>;
    return r && r->str ? std::basic_string_view<TChar>(r->str, r->length)
                       : std::basic_string_view<TChar>();
  };
  const int order = view(a).compare(view(b));
  return order < 0 ? -1 : order > 0 ? 1 : 0;
}

std::u32string Utf16ToCodePoints(std::u16string_view text) {
  std::u32string result;
  for (size_t i = 0; i < text.size(); ++i) {
    const char32_t unit = text[i];
    if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      result.push_back(JoinSurrogates(unit, text[i + 1]));
      ++i;
    } else {
      result.push_back(unit);
    }
  }
  return result;
}

std::u16string CodePointsToUtf16(const wchar_t* text, size_t length) {
  std::u16string result;
  for (size_t i = 0; i < length; ++i) {
    const auto point = static_cast<char32_t>(text[i]);
    if (point >= 0x10000 && point <= 0x10FFFF) {
      const TSurrogatePair pair = SplitSurrogates(point);
      result.push_back(pair.High);
      result.push_back(pair.Low);
    } else {
      result.push_back(static_cast<char16_t>(point));
    }
  }
  return result;
}

std::wstring Utf16ToWide(std::u16string_view text) {
  const std::u32string points = Utf16ToCodePoints(text);
  return std::wstring(points.begin(), points.end());
}

template <class TRecord>
TRecord* NewUserFree() {
  auto* record = new TRecord{};
  auto& state = State();
  std::lock_guard guard(state.Lock);
  state.LiveUserFreeRecords.insert(record);
  return record;
}

template <class TRecord>
void FreeUserFree(TRecord* record) {
  if (!record) return;
  {
    auto& state = State();
    std::lock_guard guard(state.Lock);
    if (state.LiveUserFreeRecords.erase(record) == 0) {
      state.Problems.push_back("a user-free string the runtime did not allocate was freed");
      return;
    }
  }
  ClearRecord(record);
  delete record;
}

}  // namespace

namespace FakeRuntime::Internal {

void SetOwnedUtf16(TCefStringUtf16* record, std::u16string_view text) {
  SetRecord(text.data(), text.size(), record, 1);
}

std::u16string ReadUtf16(const TCefStringUtf16* record) {
  if (!record || !record->str) return {};
  return std::u16string(record->str, record->length);
}

TCefStringUserFreeUtf16 NewUserFreeUtf16(std::u16string_view text) {
  TCefStringUserFreeUtf16 result = NewUserFree<TCefStringUtf16>();
  SetOwnedUtf16(result, text);
  return result;
}

}  // namespace FakeRuntime::Internal

int32_t cef_string_wide_set(const wchar_t* src, size_t src_len, TCefStringWide* output,
                            int32_t copy) {
  Record("cef_string_wide_set");
  return SetRecord(src, src_len, output, copy);
}

int32_t cef_string_utf8_set(const char* src, size_t src_len, TCefStringUtf8* output, int32_t copy) {
  Record("cef_string_utf8_set");
  return SetRecord(src, src_len, output, copy);
}

int32_t cef_string_utf16_set(const char16_t* src, size_t src_len, TCefStringUtf16* output,
                             int32_t copy) {
  Record("cef_string_utf16_set");
  return SetRecord(src, src_len, output, copy);
}

void cef_string_wide_clear(TCefStringWide* str) {
  Record("cef_string_wide_clear");
  ClearRecord(str);
}

void cef_string_utf8_clear(TCefStringUtf8* str) {
  Record("cef_string_utf8_clear");
  ClearRecord(str);
}

void cef_string_utf16_clear(TCefStringUtf16* str) {
  Record("cef_string_utf16_clear");
  ClearRecord(str);
}

int32_t cef_string_wide_cmp(const TCefStringWide* str1, const TCefStringWide* str2) {
  Record("cef_string_wide_cmp");
  return CompareRecords(str1, str2);
}

int32_t cef_string_utf8_cmp(const TCefStringUtf8* str1, const TCefStringUtf8* str2) {
  Record("cef_string_utf8_cmp");
  return CompareRecords(str1, str2);
}

int32_t cef_string_utf16_cmp(const TCefStringUtf16* str1, const TCefStringUtf16* str2) {
  Record("cef_string_utf16_cmp");
  return CompareRecords(str1, str2);
}

int32_t cef_string_wide_to_utf8(const wchar_t* src, size_t src_len, TCefStringUtf8* output) {
  Record("cef_string_wide_to_utf8");
  return SetRecordFrom(Utf16ToUtf8(CodePointsToUtf16(src, src_len)), output);
}

int32_t cef_string_utf8_to_wide(const char* src, size_t src_len, TCefStringWide* output) {
  Record("cef_string_utf8_to_wide");
  return SetRecordFrom(Utf16ToWide(Utf8ToUtf16({src, src_len})), output);
}

int32_t cef_string_wide_to_utf16(const wchar_t* src, size_t src_len, TCefStringUtf16* output) {
  Record("cef_string_wide_to_utf16");
  return SetRecordFrom(CodePointsToUtf16(src, src_len), output);
}

int32_t cef_string_utf16_to_wide(const char16_t* src, size_t src_len, TCefStringWide* output) {
  Record("cef_string_utf16_to_wide");
  return SetRecordFrom(Utf16ToWide({src, src_len}), output);
}

int32_t cef_string_utf8_to_utf16(const char* src, size_t src_len, TCefStringUtf16* output) {
  Record("cef_string_utf8_to_utf16");
  return SetRecordFrom(Utf8ToUtf16({src, src_len}), output);
}

int32_t cef_string_utf16_to_utf8(const char16_t* src, size_t src_len, TCefStringUtf8* output) {
  Record("cef_string_utf16_to_utf8");
  return SetRecordFrom(Utf16ToUtf8({src, src_len}), output);
}

int32_t cef_string_ascii_to_wide(const char* src, size_t src_len, TCefStringWide* output) {
  Record("cef_string_ascii_to_wide");
  return SetRecordFrom(std::wstring(src, src + src_len), output);
}

int32_t cef_string_ascii_to_utf16(const char* src, size_t src_len, TCefStringUtf16* output) {
  Record("cef_string_ascii_to_utf16");
  return SetRecordFrom(std::u16string(src, src + src_len), output);
}

TCefStringUserFreeWide cef_string_userfree_wide_alloc(void) {
  Record("cef_string_userfree_wide_alloc");
  return NewUserFree<TCefStringWide>();
}

TCefStringUserFreeUtf8 cef_string_userfree_utf8_alloc(void) {
  Record("cef_string_userfree_utf8_alloc");
  return NewUserFree<TCefStringUtf8>();
}

TCefStringUserFreeUtf16 cef_string_userfree_utf16_alloc(void) {
  Record("cef_string_userfree_utf16_alloc");
  return NewUserFree<TCefStringUtf16>();
}

void cef_string_userfree_wide_free(TCefStringUserFreeWide str) {
  Record("cef_string_userfree_wide_free");
  FreeUserFree(str);
}

void cef_string_userfree_utf8_free(TCefStringUserFreeUtf8 str) {
  Record("cef_string_userfree_utf8_free");
  FreeUserFree(str);
}

void cef_string_userfree_utf16_free(TCefStringUserFreeUtf16 str) {
  Record("cef_string_userfree_utf16_free");
  FreeUserFree(str);
}
