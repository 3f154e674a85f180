// The 23 string entry points and the helpers the rest of the library uses.

#include "RtStrings.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "RtGuard.h"
#include "RtText.h"

namespace {

template <class TChar>
void FreeText(TChar* text) {
  std::free(text);
}

// Replaces the record's text; with copy the record owns a terminated copy. The old text is
// released only afterwards, so a source inside it stays readable.
template <class TRecord, class TChar>
int32_t SetText(const TChar* source, size_t length, TRecord* output, int32_t copy) {
  if (!output) return 0;
  if (!source) length = 0;
  TRecord fresh{};
  if (!copy) {
    fresh.str = const_cast<TChar*>(source);
    fresh.length = length;
  } else if (length > 0) {
    auto* text = static_cast<TChar*>(std::malloc((length + 1) * sizeof(TChar)));
    if (!text) return 0;
    std::memcpy(text, source, length * sizeof(TChar));
    text[length] = TChar{};
    fresh = TRecord{text, length, FreeText<TChar>};
  }
  if (output->dtor && output->str) output->dtor(output->str);
  *output = fresh;
  return 1;
}

template <class TRecord>
void ClearText(TRecord* record) {
  if (!record) return;
  if (record->dtor && record->str) record->dtor(record->str);
  *record = TRecord{};
}

template <class TRecord>
int32_t CompareText(const TRecord* first, const TRecord* second) {
  const size_t firstLength = first && first->str ? first->length : 0;
  const size_t secondLength = second && second->str ? second->length : 0;
  const size_t common = std::min(firstLength, secondLength);
  for (size_t i = 0; i < common; ++i) {
    using TUnit = std::make_unsigned_t<std::remove_pointer_t<decltype(first->str)>>;
    const auto a = TUnit(first->str[i]);
    const auto b = TUnit(second->str[i]);
    if (a != b) return a < b ? -1 : 1;
  }
  return firstLength == secondLength ? 0 : (firstLength < secondLength ? -1 : 1);
}

template <class TRecord, class TString>
int32_t SetConverted(const TString& text, TRecord* output) {
  return SetText(text.data(), text.size(), output, 1);
}

// Conversions build their result in memory first; an allocation failure answers false.
template <class TRecord, class TConvert>
int32_t ConvertInto(TRecord* output, TConvert convert) {
  return Guarded(
      "string conversion", [&] { return SetConverted(convert(), output); }, int32_t(0));
}

template <class TRecord>
TRecord* AllocUserFree() {
  return static_cast<TRecord*>(std::calloc(1, sizeof(TRecord)));
}

template <class TRecord>
void FreeUserFree(TRecord* record) {
  ClearText(record);
  std::free(record);
}

template <class TString>
TString AsciiTo(const char* source, size_t length) {
  TString text;
  if (!source) return text;
  text.reserve(length);
  for (size_t i = 0; i < length; ++i) {
    const auto byte = static_cast<unsigned char>(source[i]);
    text += static_cast<typename TString::value_type>(byte < 0x80 ? byte : 0xFFFD);
  }
  return text;
}

}  // namespace

std::u16string ToU16(const TCefStringUtf16* text) {
  if (!text || !text->str) return {};
  return std::u16string(text->str, text->length);
}

std::string ToUtf8(const TCefStringUtf16* text) {
  return text && text->str ? Utf16ToUtf8(text->str, text->length) : std::string();
}

std::u16string Utf8ToU16(const std::string& utf8) {
  return Utf8ToUtf16(utf8.data(), utf8.size());
}

void AssignOwned(TCefStringUtf16& record, const std::u16string& text) {
  SetConverted(text, &record);
}

void AssignOwned(TCefStringUtf16& record, const std::string& utf8) {
  SetConverted(Utf8ToU16(utf8), &record);
}

TCefStringUserFreeUtf16 NewUserFree(const std::string& utf8) {
  TCefStringUserFreeUtf16 record = AllocUserFree<TCefStringUtf16>();
  if (record) AssignOwned(*record, utf8);
  return record;
}

std::string TakeUserFree(TCefStringUserFreeUtf16 text) {
  std::string utf8 = ToUtf8(text);
  cef_string_userfree_utf16_free(text);
  return utf8;
}

TCefStringUtf16 Borrow(const std::u16string& text) {
  return TCefStringUtf16{const_cast<char16_t*>(text.c_str()), text.size(), nullptr};
}

extern "C" {

int32_t cef_string_wide_set(const wchar_t* src, size_t src_len, TCefStringWide* output,
                            int32_t copy) {
  return SetText(src, src_len, output, copy);
}

int32_t cef_string_utf8_set(const char* src, size_t src_len, TCefStringUtf8* output, int32_t copy) {
  return SetText(src, src_len, output, copy);
}

int32_t cef_string_utf16_set(const char16_t* src, size_t src_len, TCefStringUtf16* output,
                             int32_t copy) {
  return SetText(src, src_len, output, copy);
}

void cef_string_wide_clear(TCefStringWide* str) {
  ClearText(str);
}
void cef_string_utf8_clear(TCefStringUtf8* str) {
  ClearText(str);
}
void cef_string_utf16_clear(TCefStringUtf16* str) {
  ClearText(str);
}

int32_t cef_string_wide_cmp(const TCefStringWide* str1, const TCefStringWide* str2) {
  return CompareText(str1, str2);
}

int32_t cef_string_utf8_cmp(const TCefStringUtf8* str1, const TCefStringUtf8* str2) {
  return CompareText(str1, str2);
}

int32_t cef_string_utf16_cmp(const TCefStringUtf16* str1, const TCefStringUtf16* str2) {
  return CompareText(str1, str2);
}

int32_t cef_string_wide_to_utf8(const wchar_t* src, size_t src_len, TCefStringUtf8* output) {
  return ConvertInto(output, [&] { return WideToUtf8(src, src_len); });
}

int32_t cef_string_utf8_to_wide(const char* src, size_t src_len, TCefStringWide* output) {
  return ConvertInto(output, [&] { return Utf8ToWide(src, src_len); });
}

int32_t cef_string_wide_to_utf16(const wchar_t* src, size_t src_len, TCefStringUtf16* output) {
  return ConvertInto(output, [&] { return WideToUtf16(src, src_len); });
}

int32_t cef_string_utf16_to_wide(const char16_t* src, size_t src_len, TCefStringWide* output) {
  return ConvertInto(output, [&] { return Utf16ToWide(src, src_len); });
}

int32_t cef_string_utf8_to_utf16(const char* src, size_t src_len, TCefStringUtf16* output) {
  return ConvertInto(output, [&] { return Utf8ToUtf16(src, src_len); });
}

int32_t cef_string_utf16_to_utf8(const char16_t* src, size_t src_len, TCefStringUtf8* output) {
  return ConvertInto(output, [&] { return Utf16ToUtf8(src, src_len); });
}

int32_t cef_string_ascii_to_wide(const char* src, size_t src_len, TCefStringWide* output) {
  return ConvertInto(output, [&] { return AsciiTo<std::wstring>(src, src_len); });
}

int32_t cef_string_ascii_to_utf16(const char* src, size_t src_len, TCefStringUtf16* output) {
  return ConvertInto(output, [&] { return AsciiTo<std::u16string>(src, src_len); });
}

TCefStringUserFreeWide cef_string_userfree_wide_alloc(void) {
  return AllocUserFree<TCefStringWide>();
}

TCefStringUserFreeUtf8 cef_string_userfree_utf8_alloc(void) {
  return AllocUserFree<TCefStringUtf8>();
}

TCefStringUserFreeUtf16 cef_string_userfree_utf16_alloc(void) {
  return AllocUserFree<TCefStringUtf16>();
}

void cef_string_userfree_wide_free(TCefStringUserFreeWide str) {
  FreeUserFree(str);
}
void cef_string_userfree_utf8_free(TCefStringUserFreeUtf8 str) {
  FreeUserFree(str);
}
void cef_string_userfree_utf16_free(TCefStringUserFreeUtf16 str) {
  FreeUserFree(str);
}

}  // extern "C"
