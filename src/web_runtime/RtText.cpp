#include "RtText.h"

#include <glib.h>

#include <cstring>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsSurrogate(char32_t c) {
  return c >= 0xD800 && c <= 0xDFFF;
}
bool IsValidScalar(char32_t c) {
  return c <= 0x10FFFF && !IsSurrogate(c);
}

// Decodes one UTF-8 sequence at text[i], advancing i; rejects overlong and surrogate forms.
char32_t DecodeUtf8(const unsigned char* text, size_t length, size_t& i) {
  const unsigned char lead = text[i++];
  if (lead < 0x80) return lead;
  int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
  if (extra < 0 || lead > 0xF4) return kReplacement;
  static constexpr char32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
  char32_t c = lead & (0x3F >> extra);
  for (int k = 0; k < extra; ++k) {
    if (i >= length || (text[i] & 0xC0) != 0x80) return kReplacement;
    c = (c << 6) | (text[i++] & 0x3F);
  }
  return c < kMinimum[extra] || !IsValidScalar(c) ? kReplacement : c;
}

char32_t DecodeUtf16(const char16_t* text, size_t length, size_t& i) {
  const char32_t unit = text[i++];
  if (!IsSurrogate(unit)) return unit;
  if (unit >= 0xDC00 || i >= length || text[i] < 0xDC00 || text[i] > 0xDFFF) return kReplacement;
  return 0x10000 + ((unit - 0xD800) << 10) + (text[i++] - 0xDC00);
}

char32_t DecodeWide(const wchar_t* text, size_t, size_t& i) {
  const char32_t c = static_cast<char32_t>(text[i++]);
  return IsValidScalar(c) ? c : kReplacement;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += char(c);
  } else if (c < 0x800) {
    out += char(0xC0 | (c >> 6));
    out += char(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += char(0xE0 | (c >> 12));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  } else {
    out += char(0xF0 | (c >> 18));
    out += char(0x80 | ((c >> 12) & 0x3F));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  }
}

void AppendUtf16(std::u16string& out, char32_t c) {
  if (c < 0x10000) {
    out += char16_t(c);
    return;
  }
  c -= 0x10000;
  out += char16_t(0xD800 + (c >> 10));
  out += char16_t(0xDC00 + (c & 0x3FF));
}

void AppendWide(std::wstring& out, char32_t c) {
  out += wchar_t(c);
}

template <class TOut, class TIn, class TDecode, class TAppend>
TOut Convert(const TIn* text, size_t length, TDecode decode, TAppend append) {
  TOut out;
  if (!text) return out;
  out.reserve(length);
  for (size_t i = 0; i < length;) append(out, decode(text, length, i));
  return out;
}

const unsigned char* Bytes(const char* text) {
  return reinterpret_cast<const unsigned char*>(text);
}

}  // namespace

std::u16string Utf8ToUtf16(const char* text, size_t length) {
  return Convert<std::u16string>(Bytes(text), length, DecodeUtf8, AppendUtf16);
}

std::string Utf16ToUtf8(const char16_t* text, size_t length) {
  return Convert<std::string>(text, length, DecodeUtf16, AppendUtf8);
}

std::u16string WideToUtf16(const wchar_t* text, size_t length) {
  return Convert<std::u16string>(text, length, DecodeWide, AppendUtf16);
}

std::wstring Utf16ToWide(const char16_t* text, size_t length) {
  return Convert<std::wstring>(text, length, DecodeUtf16, AppendWide);
}

std::string WideToUtf8(const wchar_t* text, size_t length) {
  return Convert<std::string>(text, length, DecodeWide, AppendUtf8);
}

std::wstring Utf8ToWide(const char* text, size_t length) {
  return Convert<std::wstring>(Bytes(text), length, DecodeUtf8, AppendWide);
}

std::string TakeText(char* text) {
  g_autofree char* owned = text;
  return TextOrEmpty(owned);
}

bool IsWebAddress(const char* url) {
  const char* scheme = url ? g_uri_peek_scheme(url) : nullptr;  // lower case, interned
  return scheme && (std::strcmp(scheme, "http") == 0 || std::strcmp(scheme, "https") == 0);
}
